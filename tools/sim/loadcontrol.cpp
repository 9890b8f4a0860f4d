// SPDX-License-Identifier: MIT
// The scale's control: loads told through a file or standard input.
#include "loadcontrol.h"

#include "inputready.h"
#include "parsenumber.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace scalecheck::sim {

LoadControl::LoadControl(std::string path) : m_path(std::move(path))
{
}

std::optional<std::int64_t> LoadControl::poll()
{
    return m_path == "-" ? pollInput() : pollFile();
}

std::optional<std::int64_t> LoadControl::loadOf(const std::string &line)
{
    std::string text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    const auto load = parseInteger(text);
    if (!load)
        std::fprintf(stderr, "scalecheck-sim: control: '%s' is not a load in counts\n",
                     text.c_str());
    return load;
}

std::optional<std::int64_t> LoadControl::pollInput()
{
    // Only what is there already: the line is served between requests and must never wait on
    // the operator.
    std::optional<std::int64_t> latest;
    while (!m_inputEnded) {
        if (!standardInputReady())
            break;
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_inputEnded = true;
            break;
        }
        m_pending.append(buffer, std::size_t(n));
        std::size_t end = 0;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            if (const auto load = loadOf(m_pending.substr(0, end)))
                latest = load;
            m_pending.erase(0, end + 1);
        }
    }
    return latest;
}

std::optional<std::int64_t> LoadControl::pollFile()
{
    // Read whole at every request: a few bytes, and a file replaced by a rename is seen too.
    std::ifstream file(m_path);
    if (!file)
        return std::nullopt;
    std::vector<std::string> lines;
    std::ostringstream all;
    all << file.rdbuf();
    const std::string text = all.str();
    std::size_t start = 0;
    std::size_t end = 0;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // A line not ended yet is still being written.
    if (lines.size() == m_fileLines)
        return std::nullopt;
    const bool added = lines.size() > m_fileLines;
    m_fileLines = lines.size();
    if (!added || lines.empty())
        return std::nullopt;
    return loadOf(lines.back());
}

} // namespace scalecheck::sim
