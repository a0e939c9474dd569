#include "records/SizeScanner.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <optional>

// Readable values in failure messages.

namespace qm {
[[maybe_unused]] static void PrintTo(const DuListing &listing, std::ostream *os)
{
    *os << "total " << listing.total << ", children {";
    for (auto it = listing.children.cbegin(); it != listing.children.cend(); ++it)
        *os << " \"" << it.key().toStdString() << "\": " << it.value();
    *os << " }";
}
} // namespace qm

using namespace qm;
using namespace Qt::StringLiterals;
using Kind = SizeScanner::PathOutcome::Kind;

namespace {

constexpr qint64 KiB = 1024;

QSet<QString> nameSet(std::initializer_list<const char16_t *> names)
{
    QSet<QString> set;
    for (const char16_t *name : names)
        set.insert(QString::fromUtf16(name));
    return set;
}

// The names as the file system gives them (UTF-8 bytes).
QSet<QByteArray> bytesOf(const QSet<QString> &names)
{
    QSet<QByteArray> bytes;
    for (const QString &name : names)
        bytes.insert(name.toUtf8());
    return bytes;
}

struct ParseCase
{
    const char *name;
    QString output;
    QString root;
    QSet<QString> names;
    std::optional<DuListing> expected;
};

} // namespace

TEST(SizeScannerParseTest, ParsesDuOutput)
{
    const QSet<QString> abf = nameSet({u"a", u"b", u"f"});
    const ParseCase cases[] = {
        {"total and child folders",
         u"100\t/r/a\n4\t/r/b\n116\t/r\n"_s,
         u"/r"_s,
         abf,
         DuListing{116 * KiB, {{u"a"_s, 100 * KiB}, {u"b"_s, 4 * KiB}}}},
        {"root given with a trailing slash",
         u"100\t/r/a\n108\t/r/\n"_s,
         u"/r/"_s,
         abf,
         DuListing{108 * KiB, {{u"a"_s, 100 * KiB}}}},
        {"without the folder's own line", u"100\t/r/a\n4\t/r/b\n"_s, u"/r"_s, abf, std::nullopt},
        {"the root's line does not match a trailing slash it lacks",
         u"100\t/r/a\n108\t/r/\n"_s,
         u"/r"_s,
         abf,
         std::nullopt},
        {"lines that are no records are skipped",
         u"no tab here\n\t/r/a\n12a\t/r/b\n-4\t/r/b\n 4\t/r/b\n8\t/elsewhere\n8\t/r/unknown\n"
         "9007199254740992\t/r/a\n20\t/r\n"_s,
         u"/r"_s,
         abf,
         DuListing{20 * KiB, {}}},
        {"the largest size that fits",
         u"9007199254740991\t/r\n"_s,
         u"/r"_s,
         abf,
         DuListing{9007199254740991 * KiB, {}}},
        {"a root size that does not fit leaves no measurement",
         u"9007199254740992\t/r\n"_s,
         u"/r"_s,
         abf,
         std::nullopt},
        {"a later line for the same name wins",
         u"4\t/r/a\n8\t/r/a\n12\t/r\n"_s,
         u"/r"_s,
         abf,
         DuListing{12 * KiB, {{u"a"_s, 8 * KiB}}}},
        {"names with line breaks are joined back and their fragments never count",
         // "li\nne" prints as "8\t/r/li" and "ne"; the first fragment names the real "li".
         u"20\t/r/li\n8\t/r/li\nne\n4\t/r/end\n\n4\t/r/x\n2\t/r/y\n40\t/r\n"_s,
         u"/r"_s,
         nameSet({u"li", u"li\nne", u"end\n", u"x\n2\t/r/y", u"y", u"ne"}),
         DuListing{40 * KiB,
                   {{u"li"_s, 20 * KiB},
                    {u"li\nne"_s, 8 * KiB},
                    {u"end\n"_s, 4 * KiB},
                    {u"x\n2\t/r/y"_s, 4 * KiB}}}},
        {"fragments that do not join into an entry are ignored",
         u"8\t/r/gone\n12\t/r/a\n20\t/r\n"_s,
         u"/r"_s,
         nameSet({u"gone\n12\t/r/b", u"a"}),
         DuListing{20 * KiB, {{u"a"_s, 12 * KiB}}}},
        {"other line separators belong to names",
         u"4\t/r/cr\rname\n4\t/r/ls\u2028name\n12\t/r\n"_s,
         u"/r"_s,
         nameSet({u"cr\rname", u"ls\u2028name"}),
         DuListing{12 * KiB, {{u"cr\rname"_s, 4 * KiB}, {u"ls\u2028name"_s, 4 * KiB}}}},
        {"tabs, spaces and non-ASCII in names and in the root",
         u"4\t/r \u00e9/t\tb\n4\t/r \u00e9/caf\u00e9 \u00fc\n12\t/r \u00e9\n"_s,
         u"/r \u00e9"_s,
         nameSet({u"t\tb", u"caf\u00e9 \u00fc"}),
         DuListing{12 * KiB, {{u"t\tb"_s, 4 * KiB}, {u"caf\u00e9 \u00fc"_s, 4 * KiB}}}},
        {"a root holding a line break",
         u"4\t/r\nx/a\n12\t/r\nx\n"_s,
         u"/r\nx"_s,
         abf,
         DuListing{12 * KiB, {{u"a"_s, 4 * KiB}}}},
    };
    for (const ParseCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseDuOutput(c.output.toUtf8(), c.root.toUtf8(), bytesOf(c.names)), c.expected);
    }
}

TEST(SizeScannerParseTest, NamesStayBytesUntilTheyBecomeText)
{
    // The names of the listing and of du's lines are compared as bytes; only the result is text,
    // with bytes that are no UTF-8 written out, so that names differing in them stay apart.
    const QByteArray output = "4\t/r\xc3\xa9/bad\xff\xfe\n8\t/r\xc3\xa9/bad\xff\xfd\n"
                              "2\t/r\xc3\xa9/app\xff\n4\t/r\xc3\xa9/ok\xff\nx\n20\t/r\xc3\xa9\n";
    const QSet<QByteArray> names{"bad\xff\xfe", "bad\xff\xfd", "app\xff", "ok\xff\nx"};
    EXPECT_EQ(parseDuOutput(output, "/r\xc3\xa9", names),
              (DuListing{20 * KiB,
                         {{u"bad\\xFF\\xFE"_s, 4 * KiB},
                          {u"bad\\xFF\\xFD"_s, 8 * KiB},
                          {u"app\\xFF"_s, 2 * KiB},
                          {u"ok\\xFF\nx"_s, 4 * KiB}}}));
    // A name that only decodes to the same text as an entry is not that entry.
    EXPECT_EQ(parseDuOutput("4\t/r/bad\xff\xff\n20\t/r\n", "/r", names), (DuListing{20 * KiB, {}}));
}

TEST(SizeScannerParseTest, NamesOfManyLineBreaksAmongManyChildrenAreJoinedBack)
{
    // 20,000 children and one name of 2,000 line breaks whose first line is also a child's
    // name: every record could start that name, so trying each record against every possible
    // join would never end.
    constexpr int childCount = 20'000;
    constexpr int lineBreaks = 2'000;
    QByteArray longName = "c7";
    for (int i = 0; i < lineBreaks; ++i)
        longName += "\nfragment " + QByteArray::number(i);
    QSet<QByteArray> names{longName};
    QByteArray output;
    DuListing expected;
    for (int i = 0; i < childCount; ++i) {
        const QByteArray name = 'c' + QByteArray::number(i);
        names.insert(name);
        output += QByteArray::number(i) + "\t/r/" + name + '\n';
        expected.children.insert(QString::fromLatin1(name), i * KiB);
        if (i == childCount / 2)
            output += "99\t/r/" + longName + '\n';
    }
    output += "123\t/r\n";
    expected.children.insert(QString::fromLatin1(longName), 99 * KiB);
    expected.total = 123 * KiB;
    EXPECT_EQ(parseDuOutput(output, "/r", names), expected);
}

namespace {

struct MessageCase
{
    const char *name;
    QString errorText;
    QString path;
    std::optional<QString> message;
};

} // namespace

TEST(SizeScannerParseTest, FindsWhatDuSaidAboutTheFolderItself)
{
    const QString gnuRefusal = u"Permission denied"_s;
    const MessageCase cases[] = {
        {"BSD wording",
         u"du: /r: Operation not permitted\n"_s,
         u"/r"_s,
         u"Operation not permitted"_s},
        {"BSD wording, path holding \": \"",
         u"du: /r: x: Operation not permitted"_s,
         u"/r: x"_s,
         u"Operation not permitted"_s},
        {"GNU, unreadable folder",
         u"/usr/bin/du: cannot read directory '/r': Permission denied\n"_s,
         u"/r"_s,
         gnuRefusal},
        {"GNU, missing folder",
         u"/usr/bin/du: cannot access '/r': No such file or directory\n"_s,
         u"/r"_s,
         u"No such file or directory"_s},
        {"GNU started by its name",
         u"du: cannot read directory '/r': Permission denied"_s,
         u"/r"_s,
         gnuRefusal},
        {"GNU, non-ASCII escaped in the C locale",
         u"/usr/bin/du: cannot read directory '/t/locked '$'\\303\\251': Permission denied"_s,
         u"/t/locked \u00e9"_s,
         gnuRefusal},
        {"GNU, trailing slash after an escape",
         u"/usr/bin/du: cannot read directory '/t/locked '$'\\303\\251''/': Permission denied"_s,
         u"/t/locked \u00e9/"_s,
         gnuRefusal},
        {"GNU, line break and tab escaped",
         u"/usr/bin/du: cannot read directory '/r/bad'$'\\n''na'$'\\t''me': Permission denied"_s,
         u"/r/bad\nna\tme"_s,
         gnuRefusal},
        {"GNU, double quotes around a single quote",
         u"/usr/bin/du: cannot access \"/n/q'uote\": No such file or directory"_s,
         u"/n/q'uote"_s,
         u"No such file or directory"_s},
        {"GNU, escaped single quote next to an escape",
         u"/usr/bin/du: cannot access '''/n/it'\\''s '$'\\303\\251': No such file or directory"_s,
         u"/n/it's \u00e9"_s,
         u"No such file or directory"_s},
        {"GNU, \": \" inside the quotes",
         u"/usr/bin/du: cannot access '/a: b': No such file or directory"_s,
         u"/a: b"_s,
         u"No such file or directory"_s},
        {"the line after a subfolder's refusal",
         u"/usr/bin/du: cannot read directory '/r/sub': Permission denied\n"
         "/usr/bin/du: cannot read directory '/r': Permission denied\n"_s,
         u"/r"_s,
         gnuRefusal},
        {"a subfolder's refusal only",
         u"/usr/bin/du: cannot read directory '/r/sub': Permission denied\n"_s,
         u"/r"_s,
         std::nullopt},
        {"a sibling whose name starts like the path",
         u"du: /r2: Operation not permitted"_s,
         u"/r"_s,
         std::nullopt},
        {"another program's line",
         u"/opt/other: cannot access '/r': Permission denied"_s,
         u"/r"_s,
         std::nullopt},
        {"an unterminated quote", u"/usr/bin/du: cannot access '/r: gone"_s, u"/r"_s, std::nullopt},
        {"no error text", QString(), u"/r"_s, std::nullopt},
    };
    for (const MessageCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(duMessageAboutFolder(c.errorText, c.path, u"/usr/bin/du"_s), c.message);
    }
}

TEST(SizeScannerParseTest, OnlyThePrivacyRefusalCountsAsPermissionDenied)
{
    const QString macRefusal = SizeScanner::privacyRefusalFor(macosProfile());
    EXPECT_EQ(macRefusal, u"Operation not permitted"_s);
    EXPECT_TRUE(SizeScanner::privacyRefusalFor(linuxProfile()).isEmpty());

    const struct
    {
        const char *name;
        QString errorText;
        QString privacyRefusal;
        Kind expected;
    } cases[] = {
        {"privacy refusal",
         u"du: /r: Operation not permitted\n"_s,
         macRefusal,
         Kind::permissionDenied},
        {"privacy wording where there is no privacy control",
         u"du: /r: Operation not permitted\n"_s,
         QString(),
         Kind::failed},
        {"ordinary access refusal", u"du: /r: Permission denied\n"_s, macRefusal, Kind::failed},
        {"GNU refusal",
         u"/usr/bin/du: cannot read directory '/r': Permission denied"_s,
         macRefusal,
         Kind::failed},
        {"privacy refusal of a subfolder",
         u"du: /r/sub: Operation not permitted\n"_s,
         macRefusal,
         Kind::failed},
        {"no message", QString(), macRefusal, Kind::failed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(classifyDuFailure(c.errorText, u"/r"_s, u"/usr/bin/du"_s, c.privacyRefusal),
                  c.expected);
    }
}

TEST(SizeScannerParseTest, DecidesTheOutcomeOfARun)
{
    const FolderListing folder{bytesOf(nameSet({u"a", u"b", u"f", u"g", u"link"})),
                               {{"f", 8192}, {"g", 0}, {"a", 1}}};
    ProcessResult exited;
    exited.program = u"/usr/bin/du"_s;
    exited.exitCode = 0;
    exited.standardOutput = "100\t/r/a\n4\t/r/b\n124\t/r\n";

    ProcessResult partial = exited;
    partial.exitCode = 1;
    partial.standardError = "/usr/bin/du: cannot read directory '/r/b': Permission denied\n";

    ProcessResult refusedRoot = exited;
    refusedRoot.exitCode = 1;
    refusedRoot.standardOutput = "4\t/r\n";
    refusedRoot.standardError = "/usr/bin/du: cannot read directory '/r': Permission denied\n";

    ProcessResult privacy = exited;
    privacy.exitCode = 1;
    privacy.standardOutput.clear();
    privacy.standardError = "du: /r: Operation not permitted\n";

    ProcessResult noOutput = exited;
    noOutput.standardOutput.clear();

    ProcessResult timedOut = exited;
    timedOut.timedOut = true;
    timedOut.exitStatus = QProcess::CrashExit;

    ProcessResult crashed = exited;
    crashed.exitStatus = QProcess::CrashExit;
    crashed.error = QProcess::Crashed;

    ProcessResult cancelled = crashed;
    cancelled.cancelled = true;

    ProcessResult notStarted;
    notStarted.program = u"/nowhere/du"_s;
    notStarted.error = QProcess::FailedToStart;
    notStarted.errorString = u"/nowhere/du: program not found"_s;

    // du's values win over the listing's for a name both have ("a": a folder by the time du ran).
    const DuListing expected{124 * KiB,
                             {{u"a"_s, 100 * KiB}, {u"b"_s, 4 * KiB}, {u"f"_s, 8192}, {u"g"_s, 0}}};
    const QString macRefusal = u"Operation not permitted"_s;
    const struct
    {
        const char *name;
        const ProcessResult &run;
        QString privacyRefusal;
        Kind kind;
        QString errorText;
    } cases[] = {
        {"measured", exited, QString(), Kind::measured, QString()},
        {"measured in part despite a refused subfolder",
         partial,
         QString(),
         Kind::measured,
         QString::fromUtf8(partial.standardError)},
        {"GNU's line for an unreadable folder measures nothing",
         refusedRoot,
         macRefusal,
         Kind::failed,
         QString::fromUtf8(refusedRoot.standardError)},
        {"privacy refusal",
         privacy,
         macRefusal,
         Kind::permissionDenied,
         QString::fromUtf8(privacy.standardError)},
        {"privacy wording where there is no privacy control",
         privacy,
         QString(),
         Kind::failed,
         QString::fromUtf8(privacy.standardError)},
        {"no output", noOutput, QString(), Kind::failed, QString()},
        {"timed out", timedOut, QString(), Kind::timedOut, QString()},
        {"crashed despite a complete output", crashed, QString(), Kind::failed, QString()},
        {"cancelled", cancelled, QString(), Kind::failed, u"cancelled"_s},
        {"not started", notStarted, QString(), Kind::failed, notStarted.errorString},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const SizeScanner::PathOutcome outcome
            = duOutcome(u"/r"_s, c.run, folder, c.privacyRefusal);
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_EQ(outcome.listing, c.kind == Kind::measured ? expected : DuListing{});
        EXPECT_EQ(outcome.errorText, c.errorText);
    }
}
