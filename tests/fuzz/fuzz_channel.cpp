// Arbitrary bytes, cut into arbitrary reads, through the line cutter and the
// command dispatcher of a controller with a fake engine. The first byte of
// each piece says how long the read is.

#include "../support/harness.h"

#include <QApplication>

#include <cstddef>
#include <cstdint>

namespace {

QApplication* application() {
    static int argc = 1;
    static char name[] = "fuzz_channel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    application();
    velmo::test::Harness h;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] + 1u, size - at - 1);
        ++at;
        h.app().channel().feed(QByteArrayView(reinterpret_cast<const char*>(data + at),
                                       static_cast<qsizetype>(length)));
        at += length;
        // Engine events as a real player would interleave them.
        if (h.player() && at < size)
            h.event(velmo::EngineEvent::Buffering + data[at - 1] % 20, data[at - 1]);
    }
    h.advance(5000);
    return 0;
}
