// Which cue is drawn at a time: the last cue that has started, while it runs.

#include "subtitles/cue_lookup.h"
#include "support/test_main.h"

#include <QRegularExpression>

using velmo::SubtitleCue;

namespace {

// "A 1-10, B 4-5": text, start and end of each cue, in list order.
QList<SubtitleCue> cuesFrom(const QString& description) {
    static const QRegularExpression cue(QStringLiteral("(\\w+) (-?[\\d.]+)-(-?[\\d.]+)"));
    QList<SubtitleCue> cues;
    for (const QRegularExpressionMatch& m : cue.globalMatch(description))
        cues.append(SubtitleCue{m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(1)});
    return cues;
}

// The rule by its definition, for comparison: the last cue in list order whose
// start is at or before t, if t is within it.
const SubtitleCue* linearCueAt(const QList<SubtitleCue>& cues, double t) {
    const SubtitleCue* candidate = nullptr;
    for (const SubtitleCue& cue : cues) {
        if (cue.start <= t)
            candidate = &cue;
    }
    return candidate && t <= candidate->end ? candidate : nullptr;
}

} // namespace

class TestCueLookup : public QObject {
    Q_OBJECT

private slots:
    void cueAt_data() {
        QTest::addColumn<QString>("cues");
        QTest::addColumn<double>("t");
        QTest::addColumn<QString>("shown"); // empty: none

        const QString ab = QStringLiteral("A 1-10, B 4-5");
        QTest::newRow("empty list") << QString() << 3.0 << QString();
        QTest::newRow("before the first cue") << ab << 0.5 << QString();
        QTest::newRow("start included") << ab << 1.0 << QStringLiteral("A");
        QTest::newRow("A alone at 3") << ab << 3.0 << QStringLiteral("A");
        QTest::newRow("B has started at 4") << ab << 4.0 << QStringLiteral("B");
        QTest::newRow("B at 4.5") << ab << 4.5 << QStringLiteral("B");
        QTest::newRow("end included") << ab << 5.0 << QStringLiteral("B");
        QTest::newRow("A still runs but B started later") << ab << 6.0 << QString();
        QTest::newRow("after everything") << ab << 11.0 << QString();
        QTest::newRow("just after the end") << QStringLiteral("A 1-2") << 2.000001 << QString();
        QTest::newRow("gap between cues") << QStringLiteral("A 1-2, B 3-4") << 2.5 << QString();
        QTest::newRow("equal starts: the last in the list")
            << QStringLiteral("A 1-5, B 1-3") << 2.0 << QStringLiteral("B");
        QTest::newRow("equal starts: the last one ended, the first is not shown")
            << QStringLiteral("A 1-5, B 1-3") << 4.0 << QString();
        QTest::newRow("three equal starts")
            << QStringLiteral("A 1-9, B 1-9, C 1-9, D 7-8") << 1.0 << QStringLiteral("C");
        QTest::newRow("end before start, inside") << QStringLiteral("A 5-3") << 4.0 << QString();
        QTest::newRow("end before start, at start") << QStringLiteral("A 5-3") << 5.0 << QString();
        QTest::newRow("zero-length cue") << QStringLiteral("A 2-2") << 2.0 << QStringLiteral("A");
        QTest::newRow("first of many")
            << QStringLiteral("A 0-1, B 2-3, C 4-5, D 6-7, E 8-9") << 0.0 << QStringLiteral("A");
        QTest::newRow("last of many")
            << QStringLiteral("A 0-1, B 2-3, C 4-5, D 6-7, E 8-9") << 9.0 << QStringLiteral("E");
        QTest::newRow("not a number")
            << QStringLiteral("A 0-1") << std::numeric_limits<double>::quiet_NaN() << QString();
    }
    void cueAt() {
        QFETCH(QString, cues);
        QFETCH(double, t);
        QFETCH(QString, shown);
        const QList<SubtitleCue> list = cuesFrom(cues);
        const SubtitleCue* cue = velmo::cueAt(list, t);
        QCOMPARE(cue ? cue->text : QString(), shown);
        QCOMPARE(cue, linearCueAt(list, t)); // the same object, not a copy
    }

    // Every boundary of a long list with runs of equal starts, against the
    // definition: off-by-one errors of the search show here.
    void agreesWithLinearScan() {
        QList<SubtitleCue> cues;
        for (int i = 0; i < 500; ++i) {
            const double start = (i / 3) * 2.0; // three cues per start
            cues.append(SubtitleCue{start, start + (i % 4), QString::number(i)});
        }
        for (int size : {0, 1, 2, 3, 7, 64, 500}) {
            const QList<SubtitleCue> list = cues.first(size);
            for (double t = -1; t <= 340; t += 0.25)
                QCOMPARE(velmo::cueAt(list, t), linearCueAt(list, t));
        }
    }
};

VELMO_TEST_MAIN(TestCueLookup)
#include "test_cue_lookup.moc"
