// SPDX-License-Identifier: MIT
// scalecheck-sim: a simulated digital weighing indicator answering Modbus on a serial line or TCP.
#include "regsfile.h"
#include "serialline.h"
#include "simoptions.h"
#include "simserver.h"
#include "tcplistener.h"
#include "trafficlog.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <sys/signalfd.h>
#include <vector>

using namespace scalecheck::sim;

namespace {

constexpr int kExitRuntime = 1;
constexpr int kExitUsage = 2;

int usageError(const std::string &message)
{
    std::fprintf(stderr, "scalecheck-sim: %s\nTry 'scalecheck-sim --help' for more information.\n",
                 message.c_str());
    return kExitUsage;
}

int runtimeError(const std::string &message, int status = kExitRuntime)
{
    std::fprintf(stderr, "scalecheck-sim: %s\n", message.c_str());
    return status;
}

// The stop signals are blocked and read from a descriptor that the server waits on beside the
// line, so a stop is never lost between two waits.
int stopSignalFd()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stopSignals, signal);
    }
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
}

} // namespace

int main(int argc, char **argv)
{
    std::string error;
    const auto options = parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        return usageError(error);
    }
    if (options->help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("scalecheck-sim %s\n", SCALECHECK_VERSION);
        return 0;
    }
    std::vector<RegisterOverride> overrides;
    if (!options->regsPath.empty()) {
        const auto loaded = loadRegisterFile(options->regsPath, error);
        if (!loaded) {
            return usageError(error);
        }
        overrides = *loaded;
    }
    std::map<int, std::vector<RegisterOverride>> overridesFor;
    for (const auto &[address, path] : options->regsFor) {
        const auto loaded = loadRegisterFile(path, error);
        if (!loaded) {
            return usageError(error);
        }
        overridesFor[address] = *loaded;
    }
    if (options->turnaroundGiven && !options->pace) {
        std::fprintf(stderr, "scalecheck-sim: note: --turnaround only takes effect with --pace\n");
    }
    if (options->pace && options->tcpListen) {
        std::fprintf(stderr, "scalecheck-sim: note: --pace only paces a serial line; over TCP "
                             "replies go out at once\n");
    }

    const int stopFd = stopSignalFd();
    if (stopFd < 0) {
        return runtimeError(std::string("cannot watch for stop signals: ") + std::strerror(errno));
    }

    TrafficLog log;
    if (!options->logPath.empty() && !log.open(options->logPath, error)) {
        return runtimeError(error, kExitUsage);
    }
    SimServer server(*options, overrides, log, overridesFor);
    if (!server.init(error)) {
        return runtimeError(error);
    }

    if (options->tcpListen) {
        const std::unique_ptr<TcpListener> listener =
            TcpListener::listen(*options->tcpListen, error);
        if (!listener) {
            return runtimeError(error, kExitUsage);
        }
        // The first line of output is the address to connect to; whoever started us waits for it.
        std::printf("%s\n", listener->url(options->tcpMode).c_str());
        std::fflush(stdout);
        if (!server.serve(*listener, stopFd, error)) {
            return runtimeError(error);
        }
        return 0;
    }

    const std::unique_ptr<SerialLine> line =
        options->device.empty() ? SerialLine::openPty(options->baud, error)
                                : SerialLine::openDevice(options->device, options->baud, error);
    if (!line) {
        return runtimeError(error, options->device.empty() ? kExitRuntime : kExitUsage);
    }
    DeviceLink link;
    if (!options->link.empty() && !link.create(options->link, line->path(), error)) {
        return runtimeError(error, kExitUsage);
    }

    // The first line of output is the device to open; whoever started us waits for it.
    std::printf("%s\n", line->path().c_str());
    std::fflush(stdout);

    if (!server.serve(*line, stopFd, error)) {
        return runtimeError(error);
    }
    return 0;
}
