// SPDX-License-Identifier: GPL-2.0-or-later
// A second process for the message-port tests:
//   shell_port_client post TITLE NUMBER WPARAM LPARAM   exit 0 when delivered
//   shell_port_client exists TITLE                      exit 0 when a port answers
#include "core/MessagePort.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == "post")
        return PostPortMessage(args[2], args[3].toUInt(), args[4].toLongLong(), args[5].toLongLong()) ? 0 : 1;
    if (args.size() == 3 && args[1] == "exists")
        return MessagePortExists(args[2]) ? 0 : 1;
    return 2;
}
