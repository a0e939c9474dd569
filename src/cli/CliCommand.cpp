#include "cli/CliCommand.h"

#include <QCoreApplication>

namespace qm {

Result<CliCommand> parseCliArguments(const QStringList &arguments)
{
    using Kind = CliCommand::Kind;
    CliCommand command;
    command.kind = Kind::status;
    bool commandSeen = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--json")) {
            command.json = true;
        } else if (argument == QLatin1String("--week")) {
            command.week = true;
        } else if (argument == QLatin1String("--folder")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return Error{QCoreApplication::translate("Cli", "--folder needs a folder")};
            command.folder = arguments[++i];
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            command.kind = Kind::help;
            commandSeen = true;
        } else if (!commandSeen && !argument.startsWith(u'-')) {
            commandSeen = true;
            if (argument == QLatin1String("status"))
                command.kind = Kind::status;
            else if (argument == QLatin1String("growth"))
                command.kind = Kind::growth;
            else if (argument == QLatin1String("history"))
                command.kind = Kind::history;
            else if (argument == QLatin1String("scan"))
                command.kind = Kind::scan;
            else if (argument == QLatin1String("help"))
                command.kind = Kind::help;
            else
                return Error{
                    QCoreApplication::translate("Cli", "Unknown command: %1").arg(argument)};
        } else {
            return Error{
                QCoreApplication::translate("Cli", "Unexpected argument: %1").arg(argument)};
        }
    }
    if (command.week && command.kind != Kind::growth)
        return Error{QCoreApplication::translate("Cli", "--week belongs to growth")};
    if (command.folder.has_value() && command.kind != Kind::history)
        return Error{QCoreApplication::translate("Cli", "--folder belongs to history")};
    return command;
}

QString cliUsageText()
{
    return QCoreApplication::translate(
        "Cli",
        "Usage: quillmere-cli [COMMAND] [--json]\n"
        "\n"
        "Commands:\n"
        "  status                 free space, its level, the lines and the prediction (default)\n"
        "  growth [--week]        what grew since yesterday (or last week), with child folders\n"
        "  history [--folder PATH]\n"
        "                         the last 30 days of free space (or of a watched folder)\n"
        "  scan                   asks the running Quillmere to scan now, or scans itself when\n"
        "                         none runs\n"
        "  help                   this text\n"
        "\n"
        "--json prints one JSON document (schema: docs/cli-json-schema.json).\n"
        "\n"
        "Exit codes: 0 normal, 1 below the warning line (status), 2 below the critical line\n"
        "(status), 3 wrong arguments, 4 free space or records unreadable, or no record of the\n"
        "folder (history), 5 scan failed.\n");
}

} // namespace qm
