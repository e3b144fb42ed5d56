// What every part shares: the private directory for temporary files, the
// number conversions, and what outlives a media (volume, mute, speed).

#include "../support/test_main.h"
#include "common/lasting_state.h"
#include "common/numbers.h"
#include "common/temp_dir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <limits>

using namespace velmo;

Q_DECLARE_METATYPE(std::optional<double>)

class CommonTest : public QObject {
    Q_OBJECT

private slots:
    void privateTempDirectory();
    void enginePercent_data();
    void enginePercent();
    void volumeLimitsAndMuteMemory();
    void rateLimits_data();
    void rateLimits();
    void savedSettingsAreTakenAsGiven_data();
    void savedSettingsAreTakenAsGiven();
};

void CommonTest::privateTempDirectory() {
    QTemporaryDir base;
    auto mode = [](const QString& path) {
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 0777;
    };
    const QString dir = privateTempDirectoryUnder(base.path(), "velmo");
    QCOMPARE(dir, base.path() + "/velmo");
    QCOMPARE(mode(dir), 0700u);
    QCOMPARE(privateTempDirectoryUnder(base.path(), "velmo"), dir); // used again

    // An existing directory of ours that others can enter is closed up.
    QDir(base.path()).mkdir("open");
    ::chmod(QFile::encodeName(base.path() + "/open").constData(), 0777);
    QCOMPARE(privateTempDirectoryUnder(base.path(), "open"), base.path() + "/open");
    QCOMPARE(mode(base.path() + "/open"), 0700u);

    // A symlink planted under the name (pointing anywhere) is never followed.
    QTemporaryDir elsewhere;
    QFile::link(elsewhere.path(), base.path() + "/planted");
    const QString fresh = privateTempDirectoryUnder(base.path(), "planted");
    QVERIFY(fresh.startsWith(base.path() + "/planted-"));
    QVERIFY(!QFileInfo(fresh).isSymLink());
    QCOMPARE(mode(fresh), 0700u);

    // A file under the name: likewise.
    QFile file(base.path() + "/file");
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(privateTempDirectoryUnder(base.path(), "file").startsWith(base.path() + "/file-"));
}

void CommonTest::enginePercent_data() {
    QTest::addColumn<float>("volume");
    QTest::addColumn<int>("percent");
    QTest::newRow("0.555") << 0.555f << 56;
    QTest::newRow("0.125 rounds away from zero") << 0.125f << 13;
    QTest::newRow("0.004") << 0.004f << 0;
    QTest::newRow("1") << 1.0f << 100;
    QTest::newRow("largest float stays an int") << std::numeric_limits<float>::max()
                                                << std::numeric_limits<int>::max();
}

void CommonTest::enginePercent() {
    QFETCH(float, volume);
    QFETCH(int, percent);
    QCOMPARE(velmo::enginePercent(volume), percent);
}

void CommonTest::volumeLimitsAndMuteMemory() {
    LastingState s;
    QCOMPARE(s.setVolume(1.5), 1.0f);
    QCOMPARE(s.setVolume(-1), 0.0f);
    QCOMPARE(s.setVolume(0.7), 0.7f);
    QCOMPARE(s.mutedOrRestored(), 0.0f); // audible: mute
    s.setVolume(0);
    QCOMPARE(s.mutedOrRestored(), 0.7f); // silent: the last audible volume
    // Set to 0 directly, unmuting still finds the last audible one.
    s.setVolume(0.3);
    s.setVolume(0);
    QCOMPARE(s.mutedOrRestored(), 0.3f);
    // Too quiet to be worth restoring: full volume.
    s.setVolume(0.005);
    QCOMPARE(s.mutedOrRestored(), 0.0f);
    s.setVolume(0);
    QCOMPARE(s.mutedOrRestored(), 1.0f);
}

void CommonTest::rateLimits_data() {
    QTest::addColumn<double>("requested");
    QTest::addColumn<float>("rate");
    QTest::newRow("5") << 5.0 << 3.0f;
    QTest::newRow("0") << 0.0 << 0.25f;
    QTest::newRow("-1e308") << -1e308 << 0.25f;
    QTest::newRow("1.25") << 1.25 << 1.25f;
}

void CommonTest::rateLimits() {
    QFETCH(double, requested);
    QFETCH(float, rate);
    LastingState s;
    QCOMPARE(s.setRate(requested), rate);
    QCOMPARE(s.rate(), rate);
}

void CommonTest::savedSettingsAreTakenAsGiven_data() {
    QTest::addColumn<std::optional<double>>("volume");
    QTest::addColumn<std::optional<double>>("rate");
    QTest::addColumn<float>("expectedVolume");
    QTest::addColumn<float>("lastVolume");
    QTest::addColumn<float>("expectedRate");
    QTest::newRow("volume 0") << std::optional(0.0) << std::optional<double>() << 0.0f << 1.0f
                              << 1.0f;
    QTest::newRow("volume 0.005") << std::optional(0.005) << std::optional<double>() << 0.005f
                                  << 1.0f << 1.0f;
    QTest::newRow("volume 0.3, rate 5") << std::optional(0.3) << std::optional(5.0) << 0.3f << 0.3f
                                        << 5.0f;
    QTest::newRow("nothing") << std::optional<double>() << std::optional<double>() << 1.0f << 1.0f
                             << 1.0f;
    QTest::newRow("huge volume stays finite")
        << std::optional(1e300) << std::optional<double>() << std::numeric_limits<float>::max()
        << std::numeric_limits<float>::max() << 1.0f;
}

void CommonTest::savedSettingsAreTakenAsGiven() {
    QFETCH(std::optional<double>, volume);
    QFETCH(std::optional<double>, rate);
    QFETCH(float, expectedVolume);
    QFETCH(float, lastVolume);
    QFETCH(float, expectedRate);
    LastingState s;
    s.restoreSaved(volume, rate);
    QCOMPARE(s.volume(), expectedVolume);
    QCOMPARE(s.lastVolume(), lastVolume);
    QCOMPARE(s.rate(), expectedRate);
}

VELMO_TEST_MAIN(CommonTest)
#include "test_common.moc"
