// SPDX-License-Identifier: MIT
// scalecheck-sim: a simulated digital weighing indicator answering Modbus on a serial line or TCP.
#include "linewait.h"
#include "regsfile.h"
#include "serialline.h"
#include "simoptions.h"
#include "simserver.h"
#include "socketio.h"
#include "tcplistener.h"
#include "trafficlog.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
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

    if (!options->tcpListen && options->device.empty() && !SerialLine::hasPseudoTerminals()) {
        return runtimeError("Windows has no pseudo-terminals: serve a COM port with --device "
                            "COMn (one end of a null-modem pair such as com0com's, the master "
                            "on the other), or TCP with --tcp-listen 127.0.0.1:0",
                            kExitUsage);
    }
    const std::unique_ptr<LineWait> wait = LineWait::create(error);
    if (!wait || !startSockets(error)) {
        return runtimeError(error);
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
        if (!server.serve(*listener, *wait, error)) {
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

    if (!server.serve(*line, *wait, error)) {
        return runtimeError(error);
    }
    return 0;
}
