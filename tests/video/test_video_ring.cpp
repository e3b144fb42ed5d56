// The frame ring between the engine's video thread and the GUI thread: which
// picture the GUI may read after any order of lock/unlock/display, and that a
// buffer the GUI may be reading is never handed back to the engine.

#include "engine/frame_ring.h"

#include <QTest>

#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <thread>

using velmo::FrameRing;

namespace {

// Runs a script against a ring, the way the engine and the GUI would, and
// checks the ring's promises at every step. Tokens (space separated):
//   lN   the engine locks picture N        uN  unlocks it (complete)
//   bN   starts unlocking N (converting)   fN  finishes that unlock
//   sN   unlocks N as a repeat of the front (nothing new to show)
//   dN   the engine says N is due          p   the GUI pins what it shows
//   r    the GUI lets go of its oldest pin c   the engine's output goes away
//   x    the view is cleared
struct Run {
    explicit Run(int buffers, int maxSlots) : ring(buffers, maxSlots) {}

    FrameRing ring;
    std::map<int, void*> ids;
    std::deque<FrameRing::Reader> readers;
    QStringList notified; // pictures whose display made them the front
    QString failure;

    int shown() {
        FrameRing::Reader reader = ring.acquire();
        if (!reader)
            return -1;
        // The marker written at unlock: the GUI sees that picture's pixels.
        return reader.picture().width - 1000;
    }

    void lock(int n) {
        int frontSlot = -1;
        if (FrameRing::Reader front = ring.acquire())
            frontSlot = front.slot();
        std::uint8_t* planes[3];
        void* id = ring.lock(planes);
        ids[n] = id;
        if (id == nullptr || planes[0] == nullptr)
            failure += QStringLiteral("lock %1 gave nothing; ").arg(n);
        const int slot = FrameRing::slotOf(id);
        if (slot < 0)
            return; // the scratch buffer, never shown
        if (slot == frontSlot)
            failure += QStringLiteral("lock %1 got the front; ").arg(n);
        for (const auto& reader : readers) {
            if (reader.slot() == slot)
                failure += QStringLiteral("lock %1 got a pinned buffer; ").arg(n);
        }
        if (ring.state(slot) != FrameRing::State::Writing)
            failure += QStringLiteral("lock %1 not writing; ").arg(n);
    }

    bool begin(int n) {
        FrameRing::Writable writable;
        if (!ring.beginUnlock(ids.at(n), &writable))
            return false;
        writable.output->width = 1000 + n;
        return true;
    }

    void step(const QString& token) {
        const QChar op = token.at(0);
        const int n = token.size() > 1 ? token.mid(1).toInt() : -1;
        if (op == 'l')
            lock(n);
        else if (op == 'u') {
            if (begin(n))
                ring.finishUnlock(ids.at(n));
        } else if (op == 's') {
            if (begin(n))
                ring.finishUnlock(ids.at(n), FrameRing::Outcome::Repeat);
        } else if (op == 'b')
            begin(n);
        else if (op == 'f')
            ring.finishUnlock(ids.at(n));
        else if (op == 'd') {
            if (ring.display(ids.at(n)))
                notified << QString::number(n);
        } else if (op == 'p') {
            FrameRing::Reader reader = ring.acquire();
            if (reader)
                readers.push_back(std::move(reader));
        } else if (op == 'r') {
            if (!readers.empty())
                readers.pop_front();
        } else if (op == 'c')
            ring.abandon();
        else if (op == 'x')
            ring.clear();
        else
            failure += QStringLiteral("bad token %1; ").arg(token);
    }
};

} // namespace

class TestVideoRing : public QObject {
    Q_OBJECT

private slots:
    void script_data();
    void script();
    void pinnedPicturesSurviveLaterPictures();
    void engineAndGuiThreads();
};

void TestVideoRing::script_data() {
    QTest::addColumn<int>("buffers");
    QTest::addColumn<int>("maxSlots");
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("shown");        // picture the GUI reads at the end, -1 none
    QTest::addColumn<QString>("notified"); // displays that made a new front
    QTest::addColumn<int>("dropped");      // pictures written but never shown

    QTest::newRow("nothing yet") << 5 << 12 << "" << -1 << "" << 0;
    QTest::newRow("locked is not shown") << 5 << 12 << "l0" << -1 << "" << 0;
    QTest::newRow("complete but not due is not shown") << 5 << 12 << "l0 u0" << -1 << "" << 0;
    QTest::newRow("due is shown") << 5 << 12 << "l0 u0 d0" << 0 << "0" << 0;
    QTest::newRow("in order") << 5 << 12 << "l0 u0 d0 l1 u1 d1 l2 u2 d2" << 2 << "0 1 2" << 0;
    QTest::newRow("the next complete picture waits for its time")
        << 5 << 12 << "l0 u0 d0 l1 u1" << 0 << "0" << 0;
    QTest::newRow("pipelined: two complete, then due in order")
        << 5 << 12 << "l0 l1 u0 u1 d0 d1" << 1 << "0 1" << 0;
    QTest::newRow("unlocked out of order") << 5 << 12 << "l0 l1 u1 u0 d0" << 0 << "0" << 0;
    QTest::newRow("due before complete is ignored") << 5 << 12 << "l0 d0 u0" << -1 << "" << 0;
    QTest::newRow("due twice notifies once") << 5 << 12 << "l0 u0 d0 d0" << 0 << "0" << 0;
    QTest::newRow("being converted is not shown") << 5 << 12 << "l0 b0 d0" << -1 << "" << 0;
    QTest::newRow("a picture the engine skipped is dropped when a later one is due")
        << 5 << 12 << "l0 u0 l1 u1 d1 d0" << 1 << "1" << 1;
    QTest::newRow("cleanup drops what the engine held, keeps the front")
        << 5 << 12 << "l0 u0 d0 l1 u1 l2 c d1 u2 d2" << 0 << "0" << 2;
    QTest::newRow("cleanup during a conversion")
        << 5 << 12 << "l0 b0 c f0 d0 l1 u1 d1" << 1 << "1" << 1;
    QTest::newRow("a repeat of the front is not shown again, not a loss")
        << 5 << 12 << "l0 u0 d0 l1 s1 d1 l2 u2 d2" << 2 << "0 2" << 0;
    QTest::newRow("clear goes black until the next due picture")
        << 5 << 12 << "l0 u0 d0 x" << -1 << "0" << 0;
    QTest::newRow("after clear") << 5 << 12 << "l0 u0 d0 x l1 u1 d1" << 1 << "0 1" << 0;
    QTest::newRow("the pinned front is never handed out")
        << 3 << 3 << "l0 u0 d0 p l1 u1 d1 l2 u2 d2 l3 u3 d3 l4 u4 d4" << 4 << "0 1 2 3 4" << 0;
    QTest::newRow("two pins on old fronts")
        << 4 << 4 << "l0 u0 d0 p l1 u1 d1 p l2 u2 d2 l3 u3 d3 r l4 u4 d4 r l5 u5 d5" << 5
        << "0 1 2 3 4 5" << 0;
    // All buffers busy: more are made up to the limit, then the engine writes
    // into scratch and that picture is lost, never shown and never blocking.
    QTest::newRow("busy: the ring grows") << 2 << 4 << "l0 l1 l2 l3 u3 d3" << 3 << "3" << 0;
    QTest::newRow("busy past the limit: scratch, dropped")
        << 2 << 3 << "l0 l1 l2 l3 u3 d3 u2 d2" << 2 << "2" << 1;
    QTest::newRow("busy with the GUI pinning: scratch, dropped")
        << 1 << 2 << "l0 u0 d0 p l1 l2 u2 d2 u1 d1" << 1 << "0 1" << 1;
    QTest::newRow("busy: the scratch picture never becomes the front")
        << 1 << 1 << "l0 l1 u1 d1" << -1 << "" << 1;
}

void TestVideoRing::script() {
    QFETCH(int, buffers);
    QFETCH(int, maxSlots);
    QFETCH(QString, script);
    QFETCH(int, shown);
    QFETCH(QString, notified);
    QFETCH(int, dropped);

    Run run(buffers, maxSlots);
    for (const QString& token : script.split(' ', Qt::SkipEmptyParts))
        run.step(token);
    QVERIFY2(run.failure.isEmpty(), qPrintable(run.failure));
    QCOMPARE(run.shown(), shown);
    QCOMPARE(run.notified.join(' '), notified);
    QCOMPARE(run.ring.dropped(), std::uint64_t(dropped));
}

// An old front the GUI still paints keeps its pixels while the engine goes on.
void TestVideoRing::pinnedPicturesSurviveLaterPictures() {
    FrameRing ring(2, 3);
    velmo::PlaneLayout layout;
    layout.pitches[0] = 16;
    layout.lines[0] = 4;
    ring.setLayout(layout);
    auto produce = [&ring](std::uint8_t value) {
        std::uint8_t* planes[3];
        void* id = ring.lock(planes);
        std::memset(planes[0], value, 64);
        FrameRing::Writable writable;
        if (ring.beginUnlock(id, &writable)) {
            writable.output->pixels.resize(64);
            std::memcpy(writable.output->pixels.data(), writable.planes[0], 64);
            ring.finishUnlock(id);
        }
        ring.display(id);
    };
    produce(1);
    FrameRing::Reader pinned = ring.acquire();
    QVERIFY(pinned);
    for (std::uint8_t value = 2; value < 40; ++value)
        produce(value);
    const std::uint8_t* pixels = pinned.picture().pixels.data();
    for (int i = 0; i < 64; ++i)
        QCOMPARE(pixels[i], std::uint8_t(1));
    pinned.release();
    FrameRing::Reader latest = ring.acquire();
    QVERIFY(latest);
    QCOMPARE(latest.picture().pixels.data()[0], std::uint8_t(39));
}

// The engine's thread writes whole pictures while the GUI's thread reads the
// front: every picture read is whole (no tearing) and due (its sequence was
// displayed). Meant to be run under ThreadSanitizer as well.
void TestVideoRing::engineAndGuiThreads() {
    FrameRing ring(5, 8);
    velmo::PlaneLayout layout;
    layout.pitches[0] = 256;
    layout.lines[0] = 16;
    ring.setLayout(layout);
    constexpr int kPictures = 3000;
    constexpr std::size_t kBytes = 4096;
    std::atomic<std::uint64_t> lastDisplayed{0};
    std::atomic<bool> done{false};

    std::thread engine([&] {
        std::uint64_t sequence = 0;
        for (int n = 0; n < kPictures; ++n) {
            std::uint8_t* planes[3];
            void* id = ring.lock(planes);
            ++sequence; // the ring numbers pictures in lock order, from 1
            std::memset(planes[0], int(sequence & 0xff), 16 * 256);
            FrameRing::Writable writable;
            if (ring.beginUnlock(id, &writable)) {
                writable.output->pixels.resize(kBytes);
                std::memset(writable.output->pixels.data(), writable.planes[0][0], kBytes);
                writable.output->width = int(sequence);
                ring.finishUnlock(id);
            }
            if (n % 7 == 3)
                continue; // the engine drops a late picture now and then
            lastDisplayed.store(sequence);
            ring.display(id);
        }
        done.store(true);
    });

    QString failure;
    int reads = 0;
    while (!done.load() || reads == 0) {
        FrameRing::Reader reader = ring.acquire();
        if (!reader)
            continue;
        ++reads;
        const velmo::RgbPicture& picture = reader.picture();
        if (reader.sequence() % 7 == 4) // 0-based n % 7 == 3 is sequence % 7 == 4
            failure = QStringLiteral("read a picture that was never due");
        if (std::uint64_t(picture.width) != reader.sequence())
            failure = QStringLiteral("read a picture with another's header");
        const std::uint8_t first = picture.pixels.data()[0];
        if (first != (reader.sequence() & 0xff))
            failure = QStringLiteral("read pixels of another picture");
        for (std::size_t i = 0; i < kBytes; ++i) {
            if (picture.pixels.data()[i] != first) {
                failure = QStringLiteral("torn picture");
                break;
            }
        }
        if (!failure.isEmpty())
            break;
    }
    engine.join();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(reads > 0);
    FrameRing::Reader last = ring.acquire();
    QVERIFY(last);
    QCOMPARE(last.sequence(), lastDisplayed.load());
}

QTEST_GUILESS_MAIN(TestVideoRing)
#include "test_video_ring.moc"
