// The engine seam: where libvlc is looked for and what it is told, and the
// bridge that carries a player's events from the engine's threads to the GUI
// thread.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "engine/engine_setup.h"
#include "engine/player_events.h"
#include "ui/fonts.h"

#include <QThread>

#include <memory>

using namespace velmo;
using velmo::test::Harness;

class EngineSetupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void engineIsMadeOnceWithItsOptions();
    void engineFolderSearch();
    void fontFamilyOption_data();
    void fontFamilyOption();
    void eventsArriveInOrderOnTheGuiThread();
    void eventsPostedBeforeTheBridgeWentAreDropped();
};

void EngineSetupTest::initTestCase() {
    // The player's own fonts, as it registers them at start-up.
    QVERIFY(!registerFontsIn(QStringLiteral(VELMO_FONTS_DIR)).isEmpty());
}

void EngineSetupTest::engineIsMadeOnceWithItsOptions() {
    Harness h;
    h.load({{"settings", QJsonObject{{"subtitleColor", "#ff0000"}}}});
    h.load();
    QCOMPARE(h.engine->instances, 1);
    QCOMPARE(h.engine->args,
             (QStringList{"--no-video-title-show", "--quiet", "--no-snapshot-preview",
                          "--avcodec-hw=any", "--network-caching=2500", "--file-caching=1500",
                          "--live-caching=2500", "--freetype-font=Vazirmatn",
                          "--freetype-rel-fontsize=16", "--freetype-color=16777215",
                          "--freetype-background-opacity=120", "--freetype-background-color=0",
                          "--freetype-outline-thickness=4"}));
    // libvlc reads its plug-ins from the folder that holds "plugins".
    QCOMPARE(qEnvironmentVariable("VLC_PLUGIN_PATH"), h.engineFolder() + "/plugins");
    QCOMPARE(qEnvironmentVariable("VLC_VERBOSE"), QStringLiteral("-1"));
}

void EngineSetupTest::engineFolderSearch() {
    QTemporaryDir first, second;
    QCOMPARE(findEngineFolder({first.path(), second.path()}), first.path());
    QCOMPARE(findEngineFolder({first.path() + "/missing", second.path()}), second.path());
    QCOMPARE(findEngineFolder({first.path() + "/missing", QString()}), QString());
}

void EngineSetupTest::fontFamilyOption_data() {
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("option");
    QTest::newRow("a face name gives its family")
        << "Vazirmatn-Bold" << "--freetype-font=Vazirmatn";
    QTest::newRow("an unknown font falls back") << "NoSuchFont" << "--freetype-font=Vazirmatn";
}

// The subtitle style of the first load is the one libvlc's renderer is made with.
void EngineSetupTest::fontFamilyOption() {
    QFETCH(QString, font);
    QFETCH(QString, option);
    Harness h;
    h.load({{"settings", QJsonObject{{"subtitleFont", font}}}});
    QCOMPARE(h.engine->args.value(7), option);
    QCOMPARE(engineArguments(QString()).value(7), QStringLiteral("--freetype-font=Helvetica"));
}

void EngineSetupTest::eventsArriveInOrderOnTheGuiThread() {
    PlayerEvents events;
    QStringList seen;
    QList<QThread*> threads;
    connect(&events, &PlayerEvents::buffering, this, [&](int percent) {
        seen << QStringLiteral("buffering %1").arg(percent);
        threads << QThread::currentThread();
    });
    connect(&events, &PlayerEvents::playing, this, [&] { seen << "playing"; });
    connect(&events, &PlayerEvents::videoOutputs, this,
            [&](int count) { seen << QStringLiteral("vout %1").arg(count); });
    connect(&events, &PlayerEvents::tracksChanged, this, [&] { seen << "tracks"; });
    connect(&events, &PlayerEvents::endReached, this, [&] { seen << "end"; });

    // As libvlc does: from a thread of its own, many at once.
    std::unique_ptr<QThread> engine(QThread::create([&events] {
        events.post(EngineEvent::Buffering, 42);
        events.post(EngineEvent::Playing);
        events.post(EngineEvent::Vout, 1);
        events.post(EngineEvent::ESAdded);
        events.post(EngineEvent::ESDeleted);
        events.post(12345); // not an event of ours
        events.post(EngineEvent::EndReached);
    }));
    engine->start();
    engine->wait();
    QVERIFY(seen.isEmpty()); // nothing runs on the engine's thread
    QTRY_COMPARE(seen, (QStringList{"buffering 42", "playing", "vout 1", "tracks", "tracks", "end"}));
    QCOMPARE(threads, QList<QThread*>{QThread::currentThread()});
}

void EngineSetupTest::eventsPostedBeforeTheBridgeWentAreDropped() {
    bool delivered = false;
    auto events = std::make_unique<PlayerEvents>();
    connect(events.get(), &PlayerEvents::endReached, this, [&] { delivered = true; });
    events->post(EngineEvent::EndReached);
    events.reset();
    QCoreApplication::processEvents();
    QVERIFY(!delivered);
}

VELMO_TEST_MAIN(EngineSetupTest)
#include "test_engine_setup.moc"
