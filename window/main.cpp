// SPDX-License-Identifier: MIT
// scalecheck: the window program; its command line picks the devices behind COM1 and COM2.
#include "demoinstrument.h"
#include "deviceport.h"
#include "form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("scalecheck"));
    QApplication::setApplicationVersion(QStringLiteral(SCALECHECK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Checks the Modbus RTU link to a digital weighing indicator."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption com1({QStringLiteral("com1")},
                                  QStringLiteral("Device behind COM1 (default /dev/ttyS0)."),
                                  QStringLiteral("path"));
    const QCommandLineOption com2({QStringLiteral("com2")},
                                  QStringLiteral("Device behind COM2 (default /dev/ttyS1)."),
                                  QStringLiteral("path"));
    const QCommandLineOption demo(
        {QStringLiteral("demo")},
        QStringLiteral("Start the simulated instrument on a pseudo-terminal and put it behind "
                       "COM1; it stops when the window closes."));
    const QCommandLineOption printState(
        {QStringLiteral("print-state")},
        QStringLiteral("Print the port state on standard output once the window has started "
                       "(for scripts and tests)."));
    parser.addOptions({com1, com2, demo, printState});
    parser.process(app);

    auto *port = new DevicePort;
    if (parser.isSet(com1))
        port->setDeviceFor(1, parser.value(com1));
    if (parser.isSet(com2))
        port->setDeviceFor(2, parser.value(com2));

    DemoInstrument simulator;
    if (parser.isSet(demo)) {
        QString error;
        const QString device = simulator.start(&error);
        if (device.isEmpty()) {
            QMessageBox::critical(nullptr, QStringLiteral("通讯端口信息"), error);
            delete port;
            return 1;
        }
        port->setDeviceFor(1, device);
    }

    Form1 window(port);
    window.show();
    if (parser.isSet(printState)) {
        QTextStream(stdout) << window.portStateText() << Qt::endl;
    }
    return app.exec();
}
