#include "FileFixture.h"

#include "CodecTestSupport.h"
#include "settings/CommandBuilder.h"
#include "settings/ConfigFile.h"
#include "ui/ConfigFileCommands.h"
#include "ui/FileDialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace codectest;
using Icon = MessageSink::Icon;
using Buttons = MessageSink::Buttons;
using Answer = MessageSink::Answer;

namespace {

const QString kLoadFailed = QStringLiteral("Unable to load file. The file may be corrupt, or incorrect.");

QByteArray golden() { return codectest::readData("golden/transparent_example.40B"); }

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// --- ConfigFile ---------------------------------------------------------------

TEST(FileReadWrite, ReadsTheFirstLineOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.40B");
    const std::pair<QByteArray, QByteArray> cases[] = {
        {" ATB0 AT&K0 \r\n", " ATB0 AT&K0 "},
        {" ATB0 AT&K0 ", " ATB0 AT&K0 "},          // no line end
        {"first\r\nsecond\r\nthird\r\n", "first"},  // extra lines
        {"first\nsecond", "first"},
        {"ab\x1A" "cd\r\n", "ab"},                   // Ctrl-Z ends the file
        {"a\rb\r\r\n", "ab"},                        // carriage returns left out
        {"", ""},
        {"\r\n", ""},
        {QByteArray("line\nwith\0nul", 13), "line"},  // garbage after the first line is not read
    };
    for (const auto &[bytes, line] : cases) {
        writeBytes(path, bytes);
        EXPECT_EQ(ConfigFile().readLine(path), line) << bytes.toStdString();
    }
}

TEST(FileReadWrite, RefusesWhatIsNoConfigurationLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.40B");
    EXPECT_THROW(ConfigFile().readLine(dir.filePath("missing.40B")), FileError);
    EXPECT_THROW(ConfigFile().readLine(dir.path()), FileError) << "a directory";

    writeBytes(path, QByteArray(" ATB0\0 ATC4", 11));
    EXPECT_THROW(ConfigFile().readLine(path), FileError) << "NUL byte";

    const qsizetype max = ConfigFile::kMaxLineLength;
    writeBytes(path, QByteArray(max, 'A') + "\r\n");
    EXPECT_THROW(ConfigFile().readLine(path), FileError) << "CR counts towards the limit";
    writeBytes(path, QByteArray(max, 'A') + "\n");
    EXPECT_EQ(ConfigFile().readLine(path).size(), max);
    writeBytes(path, QByteArray(max + 1, 'A'));
    EXPECT_THROW(ConfigFile().readLine(path), FileError);

    // A device that never ends stops at the limit.
    QByteArray big(8 * max, 'x');
    QBuffer buffer(&big);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_THROW(ConfigFile::readFirstLine(buffer, "buffer"), FileError);
    EXPECT_LE(buffer.pos(), max + 8192) << "reads no further than the limit and one chunk";
}

TEST(FileReadWrite, WritesTheLineWithCrLfAndReplacesTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.40B");
    writeBytes(path, QByteArray(1000, 'o'));
    ConfigFile().writeLine(" ATB0 ", path);
    EXPECT_EQ(readBytes(path), " ATB0 \r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.40B"})
        << "no temporary file stays behind";
}

TEST(FileReadWrite, FailedWriteLeavesTheOldFileIntact) {
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.40B");
    writeBytes(path, "old contents\r\n");

    // The process may not write files beyond 16 bytes: the new line cannot be written.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    QString error;
    try {
        ConfigFile().writeLine(QByteArray(300, 'n'), path);
    } catch (const FileError &e) {
        error = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readBytes(path), "old contents\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.40B"});

    // A target that is a directory, or whose parent is a file.
    EXPECT_THROW(ConfigFile().writeLine("x", dir.path()), FileError);
    EXPECT_THROW(ConfigFile().writeLine("x", path + "/inner.40B"), FileError);
    EXPECT_EQ(readBytes(path), "old contents\r\n");
}

// Saving into a folder the user may not write, over a file the user may write: the
// file is rewritten in place. Runs the save in a child that has become "nobody".
TEST(FileReadWrite, FileInAFolderThatIsNotWritableIsRewrittenInPlace) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hand a file to another user";
    const passwd *nobody = getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no user \"nobody\" to drop privileges to";
    QTemporaryDir dir;
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);  // others may enter, not write
    const QString path = dir.filePath("theirs.40B");
    writeBytes(path, QByteArray(100, 'o'));
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(chown(native.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(chmod(native.constData(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(stat(native.constData(), &before), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
            _exit(2);
        try {
            ConfigFile().writeLine(" ATB0 ", path);
        } catch (const FileError &) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save failed";
    EXPECT_EQ(readBytes(path), " ATB0 \r\n");
    struct stat after {};
    ASSERT_EQ(stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, nobody->pw_uid);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
}

// --- the file line ----------------------------------------------------------------

TEST(FileLine, TransparentExampleByteForByte) {
    const QByteArray line = fileLineFromJoined(joinCommandList(buildCommandList(transparentExample())));
    EXPECT_EQ(line.size(), 272);
    EXPECT_EQ(line + "\r\n", golden());
    EXPECT_TRUE(line.contains(" AT\\T0 "));
    EXPECT_TRUE(line.endsWith(" AT&Z1= AT&Z2= AT&Z3= AT&Z0= "));

    QTemporaryDir dir;
    const QString path = dir.filePath("example.40B");
    saveToFile(joinCommandList(buildCommandList(transparentExample())), path);
    EXPECT_EQ(readBytes(path), golden());
}

TEST(FileLine, RegistersGetColonsRoutesKeepEquals) {
    ModuleSettings s = masterExample();
    s.mode = OperatingMode::SingleConnect;
    s[Field::Route3Destination] = 4;
    const QByteArray line = fileLineFromJoined(joinCommandList(buildCommandList(s)));
    EXPECT_EQ(line,
              " ATB0 ATC4 ATE1 ATQ0 ATV1 ATX0 AT&B2 AT&C1 AT&D0 AT&E0 AT&G1 AT&K4 AT&L0 AT&N1 AT&M2 "
              "AT&S17 AT&U1 AT\\T0 ATS0:1 ATS1:50 ATS2:43 ATS3:13 ATS4:10 ATS5:8 ATS6:0 ATS7:5 ATS8:0 "
              "ATS10:1 ATS11:0 ATS14:255 ATS16:0 ATS17:0 ATS18:120 ATS19:5 ATS20:100 ATS21:1 "
              "AT&Z1= AT&Z2= AT&Z3=4 AT&Z0=5,2 ");
    EXPECT_THROW(fileLineFromJoined(" ATB0 ATC4"), Exception);
}

// --- the file commands ------------------------------------------------------------

TEST(ConfigFileCommands, SaveAsWritesTheLineAndTakesTheName) {
    QTemporaryDir dir;
    FileRig rig;
    rig.apply(transparentExample());
    QSignalSpy saved(&rig.files, &ConfigFileCommands::fileSaved);
    QSignalSpy caption(&rig.files, &ConfigFileCommands::captionChanged);
    rig.dialogs.answer = dir.filePath("saved.40B");

    EXPECT_TRUE(rig.files.saveAs(true));
    EXPECT_EQ(readBytes(rig.dialogs.answer), golden());
    EXPECT_EQ(rig.dialogs.filter, "*.40B");
    EXPECT_EQ(rig.dialogs.suffix, "40B");
    EXPECT_EQ(rig.dialogs.directory, QDir::currentPath());
    EXPECT_EQ(rig.files.currentFileName(), rig.dialogs.answer);
    EXPECT_EQ(rig.files.caption(), rig.base() + ": " + rig.dialogs.answer);
    ASSERT_EQ(caption.count(), 1);
    EXPECT_EQ(caption.at(0).at(0).toString(), rig.files.caption());
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.at(0).at(0).toString(), rig.dialogs.answer);
    EXPECT_EQ(rig.commandList[0], "ATB0");

    // Save writes to the current file without a dialog or question.
    rig.model.set(Field::SerialBaudRate, 9);
    EXPECT_TRUE(rig.files.save());
    EXPECT_EQ(rig.dialogs.calls, 1);
    EXPECT_TRUE(readBytes(rig.dialogs.answer).startsWith(" ATB0 ATC9 "));
    EXPECT_TRUE(rig.messages.empty());
}

TEST(ConfigFileCommands, CancelledSaveWritesNothing) {
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    FileRig rig;
    rig.apply(masterExample());
    QSignalSpy saved(&rig.files, &ConfigFileCommands::fileSaved);
    QSignalSpy caption(&rig.files, &ConfigFileCommands::captionChanged);
    EXPECT_FALSE(rig.files.save()) << "no current file: asks for one";
    EXPECT_EQ(rig.dialogs.calls, 1);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(caption.count(), 0);
    EXPECT_EQ(rig.commandList[36], "AT&Z0=5,2") << "the list was rebuilt all the same";
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(rig.files.caption(), rig.base());
}

TEST(ConfigFileCommands, SaveRefusesNoMode) {
    FakeMessages messages;
    SettingsModel model(variantOf(RadioClass::Class740), messages);
    ASSERT_EQ(model.mode(), OperatingMode::None);
    FakeDialogs dialogs;
    CommandList list;
    QByteArray text;
    LineSettings port;
    int prior = 0;
    ConfigFileCommands files(model, dialogs, {list, text, port, prior});
    QSignalSpy saved(&files, &ConfigFileCommands::fileSaved);
    EXPECT_FALSE(files.saveAs(true));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "An operating mode must be selected!");
    EXPECT_EQ(messages.last().icon, Icon::Warning);
    EXPECT_EQ(messages.last().buttons, Buttons::Ok);
    EXPECT_EQ(dialogs.calls, 0);
    EXPECT_EQ(saved.count(), 0);
}

TEST(ConfigFileCommands, FailedSaveIsReportedAndKeepsNameAndCaption) {
    QTemporaryDir dir;
    FileRig rig;
    rig.apply(masterExample());
    const QString good = dir.filePath("good.40B");
    rig.dialogs.answer = good;
    ASSERT_TRUE(rig.files.saveAs(true));
    const QByteArray saved = readBytes(good);

    const QString blocked = dir.filePath("blocked.40B");
    ASSERT_TRUE(QDir().mkdir(blocked));  // a directory where the file should go
    rig.dialogs.answer = blocked;
    QSignalSpy caption(&rig.files, &ConfigFileCommands::captionChanged);
    EXPECT_FALSE(rig.files.saveAs(true));
    ASSERT_EQ(rig.messages.count(), 1);
    EXPECT_EQ(rig.messages.last().icon, Icon::Error);
    EXPECT_EQ(rig.messages.last().buttons, Buttons::Ok);
    EXPECT_TRUE(rig.messages.last().text.contains(blocked)) << rig.messages.last().text.toStdString();
    EXPECT_EQ(rig.files.currentFileName(), good);
    EXPECT_EQ(caption.count(), 0);
    EXPECT_TRUE(QFileInfo(blocked).isDir());

    rig.dialogs.answer = good + "/below.40B";  // the parent is a file
    EXPECT_FALSE(rig.files.saveAs(true));
    EXPECT_EQ(rig.messages.count(), 2);
    EXPECT_EQ(readBytes(good), saved);
    EXPECT_EQ(rig.files.currentFileName(), good);
}

TEST(ConfigFileCommands, NewAsksFirst) {
    QTemporaryDir dir;
    FileRig rig;
    writeBytes(dir.filePath("a.40B"), golden());
    ASSERT_TRUE(rig.files.loadFile(dir.filePath("a.40B")));
    rig.messages.answer(Answer::Cancel);
    EXPECT_FALSE(rig.files.newConfiguration());
    EXPECT_EQ(rig.messages.last().text, "Open new configuration?");
    EXPECT_EQ(rig.messages.last().icon, Icon::Question);
    EXPECT_EQ(rig.messages.last().buttons, Buttons::OkCancel);
    EXPECT_EQ(rig.get(Field::SerialBaudRate), 6);
    EXPECT_EQ(rig.files.currentFileName(), dir.filePath("a.40B"));

    QSignalSpy caption(&rig.files, &ConfigFileCommands::captionChanged);
    EXPECT_TRUE(rig.files.newConfiguration());
    EXPECT_EQ(rig.get(Field::SerialBaudRate), 4);
    EXPECT_EQ(rig.get(Field::RxBufferThreshold), 120);
    EXPECT_TRUE(rig.files.currentFileName().isEmpty());
    ASSERT_EQ(caption.count(), 1);
    EXPECT_EQ(caption.at(0).at(0).toString(), rig.base());
}

TEST(ConfigFileCommands, LoadAppliesTheFileAndThePortFollows) {
    QTemporaryDir dir;
    FileRig rig;
    const QString path = dir.filePath("site.40B");
    ModuleSettings s = masterExample();
    s[Field::SerialBaudRate] = 9;   // 38400
    s[Field::SerialDataBits] = 0;   // 7 data bits
    s[Field::SerialParity] = 3; // even
    s[Field::SerialStopBits] = 1;
    saveToFile(joinCommandList(buildCommandList(s)), path);

    QSignalSpy portSpy(&rig.files, &ConfigFileCommands::lineSettingsChanged);
    rig.line.port = "COM5";
    EXPECT_TRUE(rig.files.openCommandLineFile(path));
    EXPECT_EQ(rig.model.mode(), OperatingMode::AutoConnectMaster);
    EXPECT_EQ(rig.get(Field::Route0Repeater1), 5);
    EXPECT_EQ(rig.files.currentFileName(), path);
    EXPECT_EQ(rig.files.caption(), rig.base() + ": " + path);
    EXPECT_EQ(portSpy.count(), 1);
    EXPECT_EQ(rig.line.baudRate, 38400);
    EXPECT_EQ(rig.line.dataBits, 7);
    EXPECT_EQ(rig.line.stopBits, 2);
    EXPECT_EQ(rig.line.parity, Parity::Even);
    EXPECT_EQ(rig.line.port, "COM5");
    EXPECT_TRUE(rig.messages.empty());
}

TEST(ConfigFileCommands, FailedLoadKeepsTheWindowAsItWasAndNamesTheFile) {
    QTemporaryDir dir;
    FileRig rig;
    const QString good = dir.filePath("good.40B");
    writeBytes(good, golden());
    ASSERT_TRUE(rig.files.loadFile(good));

    const QByteArray bad[] = {
        QByteArray(" ATB0 ATC6 ATE1 garbage\r\n"),
        QByteArray(ConfigFile::kMaxLineLength + 10, ' '),
        golden().replace(" AT&G0 ", QByteArray(" AT&G0\0 ", 8)),
        golden().replace(" AT&Z0= ", " AT&Z0=,3 "),
        golden().replace(" ATC6 ", " ATC-1 "),
    };
    for (const QByteArray &bytes : bad) {
        rig.messages.clear();
        ASSERT_TRUE(rig.files.loadFile(good));
        // An edit not saved yet survives the failed load.
        rig.model.set(Field::SerialBaudRate, 9);
        const ModuleSettings edited = rig.model.settings();
        const QByteArray listing = rig.listingText;
        const QString path = dir.filePath("bad.40B");
        writeBytes(path, bytes);
        QSignalSpy caption(&rig.files, &ConfigFileCommands::captionChanged);
        QSignalSpy loaded(&rig.files, &ConfigFileCommands::fileLoaded);
        EXPECT_FALSE(rig.files.loadFile(path));
        ASSERT_EQ(rig.messages.count(), 1);
        EXPECT_TRUE(rig.messages.last().text.startsWith(kLoadFailed));
        EXPECT_TRUE(rig.messages.last().text.contains(QDir::toNativeSeparators(path)));
        EXPECT_EQ(rig.messages.last().icon, Icon::Error);
        EXPECT_EQ(rig.messages.last().buttons, Buttons::Ok);
        EXPECT_EQ(rig.files.currentFileName(), good);
        EXPECT_EQ(caption.count(), 0);
        EXPECT_EQ(loaded.count(), 0);
        EXPECT_TRUE(rig.model.settings() == edited) << "the edits are kept";
        EXPECT_EQ(rig.listingText, listing);
    }

    // A name typed into the open dialog that does not exist: the message says why.
    rig.messages.clear();
    rig.dialogs.answer = dir.filePath("nothing.40B");
    EXPECT_FALSE(rig.files.openFile());
    ASSERT_EQ(rig.messages.count(), 1);
    EXPECT_TRUE(rig.messages.last().text.startsWith(kLoadFailed));
    EXPECT_TRUE(rig.messages.last().text.contains("Unable to open file"));
    EXPECT_EQ(rig.files.currentFileName(), good);
    rig.dialogs.answer.clear();
    EXPECT_FALSE(rig.files.openFile());
    EXPECT_EQ(rig.messages.count(), 1) << "cancelled: nothing happens";
}

TEST(ConfigFileCommands, ParserRefusalStillCompletesTheLoad) {
    QTemporaryDir dir;
    FileRig rig(RadioClass::Class620);
    ModuleSettings s = masterExample();
    s[Field::FastOperation] = 1;
    const QString path = dir.filePath("fast.40B");
    saveToFile(joinCommandList(buildCommandList(s)), path);
    EXPECT_TRUE(rig.files.loadFile(path));
    ASSERT_EQ(rig.messages.count(), 1);
    EXPECT_TRUE(rig.messages.last().text.startsWith("Fast Controlled Mode operation has been detected."));
    EXPECT_EQ(rig.files.currentFileName(), path);
    EXPECT_EQ(rig.model.mode(), OperatingMode::Transparent);

    // A file whose flow control is 1 shows the flow message and loads.
    FileRig flow;
    writeBytes(path, golden().replace(" AT&K0 ", " AT&K1 "));
    EXPECT_TRUE(flow.files.loadFile(path));
    ASSERT_EQ(flow.messages.count(), 1);
    EXPECT_TRUE(flow.messages.last().text.startsWith(
        "The saved configuration or module has a value of &K1 for flow control."));
    EXPECT_EQ(flow.get(Field::FlowControl), 1);
}

TEST(ConfigFileCommands, CommandLineFile) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    writeBytes("site.40B", golden());
    writeBytes("site.40b", golden());
    writeBytes("site.40B.bak", golden());
    writeBytes("noext", golden());
    ASSERT_TRUE(QDir().mkpath("dir.40B"));
    writeBytes("dir.40B/plain", golden());

    FileRig rig;
    EXPECT_FALSE(rig.files.openCommandLineFile(QString()));
    EXPECT_FALSE(rig.files.openCommandLineFile("missing.40B"));
    EXPECT_FALSE(rig.files.openCommandLineFile("dir.40B")) << "a directory is no existing file";
    EXPECT_TRUE(rig.messages.empty());

    for (const QString arg : {"site.40b", "site.40B.bak", "noext", "dir.40B/plain"}) {
        rig.messages.clear();
        EXPECT_FALSE(rig.files.openCommandLineFile(arg));
        ASSERT_EQ(rig.messages.count(), 1) << arg.toStdString();
        EXPECT_EQ(rig.messages.last().text, arg + " is not a valid configuration file.");
        EXPECT_EQ(rig.messages.last().icon, Icon::Error);
        EXPECT_EQ(rig.messages.last().buttons, Buttons::Ok);
        EXPECT_TRUE(rig.files.currentFileName().isEmpty());
    }

    rig.messages.clear();
    EXPECT_TRUE(rig.files.openCommandLineFile("site.40B"));
    EXPECT_EQ(rig.files.caption(), rig.base() + ": site.40B") << "the argument exactly as passed";
    EXPECT_EQ(rig.get(Field::SerialBaudRate), 6);
    EXPECT_TRUE(rig.messages.empty());
    QDir::setCurrent(previous);
}

}  // namespace

// The window keeps opening files with values it must change, and lists them in one notice.
TEST(ConfigFileCommands, LoadListsWhatTheReadingChangedInOneNotice) {
    QTemporaryDir dir;
    FileRig rig;
    const QString path = dir.filePath("odd.40B");
    QByteArray line = ConfigFile().readLine(QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B"));
    line.replace("ATS14:255", "ATS14:999").replace("ATS1:50", "ATS1:2 ATS1:9");
    ConfigFile().writeLine(line, path);

    EXPECT_TRUE(rig.files.loadFile(path));
    ASSERT_EQ(rig.messages.count(), 1) << rig.messages.texts().join('|').toStdString();
    const QString notice = rig.messages.last().text;
    EXPECT_EQ(rig.messages.last().icon, MessageSink::Icon::Information);
    EXPECT_TRUE(notice.contains("\"ATS14:999\": S14 999 is out of range 0..255")) << notice.toStdString();
    EXPECT_TRUE(notice.contains("\"ATS1:2\": S1 2 is out of range 3..255")) << notice.toStdString();
    EXPECT_TRUE(notice.contains("\"ATS1:9\": S1 is given before")) << notice.toStdString();
}
