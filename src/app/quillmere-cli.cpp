// quillmere-cli: the records of Quillmere in a terminal and in scripts. It reads the program's
// data folder and never writes it, except for "scan" when no program runs.
#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/CliGrowth.h"
#include "cli/CliHistory.h"
#include "cli/CliScan.h"
#include "cli/CliStatus.h"
#include "cli/CliTexts.h"
#include "desktop/ScanRequest.h"
#include "desktop/SingleInstance.h"
#include "model/AppModel.h"
#include "platform/LogSink.h"
#include "units/DisplayLocale.h"
#include "units/EnglishPlurals.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

#include <QCoroTask>

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

qm::CliScanOutcome scan(const qm::CliContext &context)
{
    using Kind = qm::ScanRequestAnswer::Kind;
    const QString name = qm::SingleInstance::defaultServerName();
    qm::InstanceNameHold hold(name);
    // A program that starts between the question and the hold answers the second question.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const qm::ScanRequestAnswer answer = qm::askToScan(name);
        if (answer.kind == Kind::accepted)
            return {qm::CliScanOutcome::Kind::askedProgram, answer.pid, std::nullopt, QString()};
        if (answer.kind == Kind::noAnswer)
            return {qm::CliScanOutcome::Kind::failed,
                    std::nullopt,
                    std::nullopt,
                    QCoreApplication::translate("Cli", "Quillmere runs but did not answer: %1")
                        .arg(answer.error)};
        if (hold.take())
            break;
    }
    if (!hold.isHeld())
        return {qm::CliScanOutcome::Kind::failed,
                std::nullopt,
                std::nullopt,
                QCoreApplication::translate("Cli", "could not hold the program's name")};
    // The scan's log lines belong in the program's log, as if the program had scanned.
    qm::LogSink::install(qm::LogSink::defaultLogFilePath(), false);
    qm::CliScanServices services;
    services.dataFolder = qm::AppModel::applicationDataFolder();
    services.home = context.home;
    services.settings = context.data.settings;
    services.clock = qm::systemClock();
    services.calendar = context.calendar;
    services.diskSpace = [] {
        return qm::readDiskSpace(QStringLiteral("/"));
    };
    services.fullDiskAccessStatus = [home = context.home] {
        return qm::fullDiskAccessStatus(home);
    };
    return QCoro::waitFor(qm::scanInPlaceOfProgram(std::move(services)));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qm::EnglishPlurals::install();
    // Reading commands leave the program's log alone.
    QLoggingCategory::setFilterRules(QStringLiteral("org.quillmere.Quillmere.*=false"));

    const qm::Result<qm::CliCommand> parsed = qm::parseCliArguments(app.arguments().mid(1));
    if (!parsed.ok()) {
        print(stderr, parsed.error().description + u'\n' + qm::cliUsageText());
        return int(qm::CliExit::usage);
    }
    const qm::CliCommand &command = parsed.value();
    using Kind = qm::CliCommand::Kind;
    if (command.kind == Kind::help) {
        print(stdout, qm::cliUsageText());
        return int(qm::CliExit::normal);
    }

    qm::CliContext context;
    context.data = qm::readCliData(qm::AppModel::applicationDataFolder());
    context.now = QDateTime::currentDateTime();
    context.calendar = qm::Calendar::current();
    // English texts: days and numbers in the user's territory, written in English.
    context.locale = qm::displayLocale(QLocale::system());
    // A record dated after today waits in the file for its day.
    context.data.records
        = qm::recordsUpTo(context.data.records, context.calendar.dayKey(context.now));
    context.home = QDir::homePath();
    context.reading = qm::readDiskSpace(QStringLiteral("/"));
    context.fullDiskAccess = qm::fullDiskAccessStatus(context.home);
    context.displayName = [](const QString &name) {
        return qm::AppDisplayNames::shared().displayName(name);
    };
    if (!command.json) {
        for (const QString &problem : std::as_const(context.data.problems))
            print(stderr, qm::terminalText(problem) + u'\n');
    }

    qm::CliOutput output;
    switch (command.kind) {
    case Kind::status:
        output = qm::statusOutput(context, command.json);
        break;
    case Kind::growth:
        output = qm::growthOutput(context, command.week, command.json);
        break;
    case Kind::history:
        output = qm::historyOutput(context, command.folder, command.json);
        break;
    case Kind::scan:
        output = qm::scanOutput(scan(context), context, command.json);
        break;
    case Kind::help:
        break;
    }
    print(stdout, output.text);
    print(stderr, output.errorText);
    return output.exitCode;
}
