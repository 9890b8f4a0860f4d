// SPDX-License-Identifier: MIT
// Where the scale under test learns which load is on its platform: lines of a control file, or
// of standard input, each a load in counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scalecheck::sim {

class LoadControl
{
public:
    // "-" for standard input, else a file that need not exist yet.
    explicit LoadControl(std::string path);

    // The load put on since the last call, if one was: the last complete line that came. A
    // line that is not a whole number is reported on stderr once and ignored.
    std::optional<std::int64_t> poll();

private:
    std::optional<std::int64_t> pollInput();
    std::optional<std::int64_t> pollFile();
    std::optional<std::int64_t> loadOf(const std::string &line);

    std::string m_path;
    std::string m_pending;      // standard input: the part of a line not ended yet
    bool m_inputEnded = false;  // standard input closed
    std::size_t m_fileLines = 0; // the file: complete lines seen so far
};

} // namespace scalecheck::sim
