// The player's command line: the pure reading, and the real binary started without a display,
// which only works when the options are handled before Qt opens one.

#include "app/command_line.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <vector>

using velmo::CommandLineOutcome;
using velmo::readCommandLine;

namespace {

CommandLineOutcome readArguments(const QStringList& arguments) {
    std::vector<QByteArray> storage{"velmo-player"};
    for (const QString& argument : arguments)
        storage.push_back(argument.toUtf8());
    std::vector<const char*> argv;
    for (const QByteArray& text : storage)
        argv.push_back(text.constData());
    argv.push_back(nullptr);
    return readCommandLine(static_cast<int>(storage.size()), argv.data());
}

QString refusal(const char* what, const char* argument) {
    return QStringLiteral("velmo-player: %1 '%2' (see velmo-player --help)\n")
        .arg(QLatin1String(what), QLatin1String(argument));
}

const QString kVersionLine = QStringLiteral("velmo-player " VELMO_VERSION "\n");

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void helpNamesEveryCommandAndEvent();
    void binaryWithoutDisplay_data();
    void binaryWithoutDisplay();
};

void CommandLineTest::reading_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("exits");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // exact, or the start of the help
    QTest::addColumn<QString>("err");

    const QString help = QStringLiteral("Usage: velmo-player");
    QTest::newRow("none") << QStringList{} << false << 0 << QString() << QString();
    QTest::newRow("--version") << QStringList{"--version"} << true << 0 << kVersionLine
                               << QString();
    QTest::newRow("--help") << QStringList{"--help"} << true << 0 << help << QString();
    QTest::newRow("-h") << QStringList{"-h"} << true << 0 << help << QString();
    QTest::newRow("first of two wins")
        << QStringList{"--version", "--bogus"} << true << 0 << kVersionLine << QString();
    QTest::newRow("unknown before --version") << QStringList{"--bogus", "--version"} << true << 2
                                              << QString() << refusal("unknown option", "--bogus");
    QTest::newRow("unknown long") << QStringList{"--fullscreen"} << true << 2 << QString()
                                  << refusal("unknown option", "--fullscreen");
    QTest::newRow("unknown short")
        << QStringList{"-v"} << true << 2 << QString() << refusal("unknown option", "-v");
    QTest::newRow("case matters") << QStringList{"--Version"} << true << 2 << QString()
                                  << refusal("unknown option", "--Version");
    QTest::newRow("longer name") << QStringList{"--versions"} << true << 2 << QString()
                                 << refusal("unknown option", "--versions");
    QTest::newRow("lone --") << QStringList{"--"} << true << 2 << QString()
                             << refusal("unknown option", "--");
    QTest::newRow("a media file") << QStringList{"movie.mp4"} << true << 2 << QString()
                                  << refusal("unexpected argument", "movie.mp4");
    QTest::newRow("lone -") << QStringList{"-"} << true << 2 << QString()
                            << refusal("unexpected argument", "-");
    QTest::newRow("empty") << QStringList{""} << true << 2 << QString()
                           << refusal("unexpected argument", "");
    // Qt's own options go on to Qt, with their values.
    QTest::newRow("-platform X") << QStringList{"-platform", "offscreen"} << false << 0 << QString()
                                 << QString();
    QTest::newRow("--platform=X") << QStringList{"--platform=offscreen"} << false << 0 << QString()
                                  << QString();
    QTest::newRow("-display X -reverse")
        << QStringList{"-display", ":0", "-reverse"} << false << 0 << QString() << QString();
    QTest::newRow("a value is not an option")
        << QStringList{"-title", "--help"} << false << 0 << QString() << QString();
    QTest::newRow("value missing") << QStringList{"-platform"} << true << 2 << QString()
                                   << refusal("missing value for", "-platform");
}

void CommandLineTest::reading() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, exits);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const CommandLineOutcome outcome = readArguments(arguments);
    QCOMPARE(outcome.exit, exits);
    QCOMPARE(outcome.status, status);
    const QString printed = QString::fromStdString(outcome.out);
    if (out.startsWith(QLatin1String("Usage:")))
        QVERIFY2(printed.startsWith(out), qPrintable(printed));
    else
        QCOMPARE(printed, out);
    QCOMPARE(QString::fromStdString(outcome.err), err);
}

// The summary keeps up with the protocol: every command and event the schema defines is named.
void CommandLineTest::helpNamesEveryCommandAndEvent() {
    QFile file(QStringLiteral(VELMO_PROTOCOL_SCHEMA));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QJsonObject defs =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("$defs")).toObject();
    const QString help = QString::fromStdString(readArguments({"--help"}).out);
    int named = 0;
    for (const QJsonValue& definition : defs) {
        const QJsonObject properties =
            definition.toObject().value(QLatin1String("properties")).toObject();
        for (const char* key : {"command", "type"}) {
            const QJsonValue name =
                properties.value(QLatin1String(key)).toObject().value(QLatin1String("const"));
            if (!name.isString())
                continue;
            ++named;
            const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(name.toString()));
            QVERIFY2(help.contains(word), qPrintable(name.toString()));
        }
    }
    QVERIFY2(named > 10, "the schema's definitions were not found");
}

void CommandLineTest::binaryWithoutDisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("--version") << QStringList{"--version"} << 0 << kVersionLine << QString();
    QTest::newRow("--help") << QStringList{"--help"} << 0
                            << QString::fromStdString(readArguments({"--help"}).out) << QString();
    QTest::newRow("--bogus") << QStringList{"--bogus"} << 2 << QString()
                             << refusal("unknown option", "--bogus");
}

void CommandLineTest::binaryWithoutDisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess player;
    player.setProcessEnvironment(environment);
    player.start(QStringLiteral(VELMO_PLAYER_BINARY), arguments);
    QVERIFY(player.waitForStarted(10000));
    player.closeWriteChannel();
    QVERIFY2(player.waitForFinished(10000), "the player did not exit by itself");
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), status);
    QCOMPARE(QString::fromUtf8(player.readAllStandardOutput()), out);
    QCOMPARE(QString::fromUtf8(player.readAllStandardError()), err);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
