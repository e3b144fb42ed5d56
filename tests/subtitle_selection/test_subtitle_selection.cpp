// Fetching, choosing and switching subtitles through the controller, with the
// network replaced by a fake that answers at once.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "host/temp_dir.h"
#include "host/texts.h"
#include "subtitles/overlay.h"
#include "ui/menu_chip.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QMenu>
#include <QUrl>

using namespace velmo;
using velmo::test::Harness;

namespace {

const QByteArray kSrt = "1\r\n00:00:01,000 --> 00:00:04,000\r\nسلام\r\n\r\n"
                        "2\r\n00:00:05,000 --> 00:00:06,000\r\n<i>دوم</i>\r\n";

struct Fetching : Harness {
    QMap<QString, QByteArray> bodies; // by URL; missing: the fetch fails
    QStringList fetched;
    Fetching() {
        app.fetchSubtitle = [this](const QUrl& url, std::function<void(QByteArray)> done) {
            fetched << url.toString();
            done(bodies.value(url.toString()));
        };
        bodies["http://h/fa.srt"] = kSrt;
        bodies["http://h/page.srt"] = "<html>not found</html>";
        load({{"subtitles",
               QJsonArray{QJsonObject{{"url", "http://h/fa.srt"}, {"language", "فارسی"}},
                          QJsonObject{{"url", "http://h/none.srt"}},
                          QJsonObject{{"url", "http://h/page.srt"}}}}});
        clearEvents();
    }
};

} // namespace

class SubtitleSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void externalTrackActivatesAndFollowsPosition();
    void loadedTrackIsNotFetchedAgain();
    void failedFetchShowsAToast();
    void fileWithoutCuesGoesToTheEngine();
    void offAndKey();
    void menuLists();
};

void SubtitleSelectionTest::externalTrackActivatesAndFollowsPosition() {
    Fetching h;
    h.app.position = 2;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
    QCOMPARE(h.app.subtitles[0]->cues.size(), 2);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.app.toastLabel->text(), text::kSubtitleTitle().arg("فارسی"));
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleTitle().arg("فارسی"));
    QVERIFY(h.app.subtitle->cue());
    QCOMPARE(h.app.subtitle->cue()->text, QStringLiteral("سلام"));
    QVERIFY(h.player()->calls.contains("spu -1")); // the engine's own subtitle goes
    h.app.seekTo(4.5);                             // between cues
    QVERIFY(!h.app.subtitle->cue());
    h.app.seekTo(5);
    QCOMPARE(h.app.subtitle->cue()->text, QStringLiteral("دوم"));
}

void SubtitleSelectionTest::loadedTrackIsNotFetchedAgain() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":-1}"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.fetched, QStringList{"http://h/fa.srt"});
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
}

void SubtitleSelectionTest::failedFetchShowsAToast() {
    Fetching h;
    h.app.subtitleEnabled = false;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":1}"));
    QCOMPARE(h.app.toastLabel->text(), text::kSubtitleFetchFailed());
    QVERIFY(h.app.subtitleEnabled); // wanted, nothing chosen
    QVERIFY(!h.app.activeTrack);
    QVERIFY(h.lines.isEmpty()); // no event for a minor failure
}

void SubtitleSelectionTest::fileWithoutCuesGoesToTheEngine() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":2}"));
    const QString path =
        QDir(privateTempDirectory()).filePath(subtitleFileName("http://h/page.srt"));
    QVERIFY(QFileInfo(path).fileName().startsWith("velmo-sub-"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<html>not found</html>")); // the raw bytes
    QVERIFY(h.player()->calls.contains("subfile " + path));
    QCOMPARE(h.app.toastLabel->text(), text::kSubtitleToEngine());
    QVERIFY(!h.app.activeTrack);
    QVERIFY(h.events("settings").isEmpty());
    // The same URL gives the same name; another URL another.
    QCOMPARE(subtitleFileName("http://h/page.srt"), subtitleFileName("http://h/page.srt"));
    QVERIFY(subtitleFileName("http://h/page.srt") != subtitleFileName("http://h/fa.srt"));
}

void SubtitleSelectionTest::offAndKey() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    h.app.toggleSubtitles(); // shown: off
    QVERIFY(!h.app.subtitleEnabled);
    QVERIFY(!h.app.activeTrack);
    QVERIFY(!h.app.subtitle->cue());
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleOffChip());
    QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), false);
    h.app.toggleSubtitles(); // off: the first external track again
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
}

void SubtitleSelectionTest::menuLists() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QStringList items;
    for (QAction* action : h.app.subtitlePopup->menu()->actions())
        items << (action->isSeparator() ? QStringLiteral("--")
                                        : action->text() + (action->isChecked() ? " *" : ""));
    QCOMPARE(items, (QStringList{text::kSubtitleOff(), "--", "فارسی *", text::kSubtitle(),
                                 text::kSubtitle()}));
}

VELMO_TEST_MAIN(SubtitleSelectionTest)
#include "test_subtitle_selection.moc"
