// The shortcut table: keys act by their physical position (the X11 key code),
// whatever the layout types there; without a key code (offscreen platform,
// synthetic events) the Qt key stands in.

#include "support/test_main.h"
#include "ui/keys.h"

#include <QKeyEvent>

using namespace velmo;

Q_DECLARE_METATYPE(velmo::KeyAction)

class TestKeys : public QObject {
    Q_OBJECT

private slots:
    void keyAction_data();
    void keyAction();
};

void TestKeys::keyAction_data() {
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<KeyAction>("action");

    const Qt::KeyboardModifiers none;
    // US layout under X11.
    QTest::newRow("space") << 65u << int(Qt::Key_Space) << " " << none << false
                           << KeyAction::TogglePlay;
    QTest::newRow("left") << 113u << int(Qt::Key_Left) << "" << none << false
                          << KeyAction::SkipBack;
    QTest::newRow("right") << 114u << int(Qt::Key_Right) << "" << none << false
                           << KeyAction::SkipForward;
    QTest::newRow("up") << 111u << int(Qt::Key_Up) << "" << none << false << KeyAction::VolumeUp;
    QTest::newRow("down") << 116u << int(Qt::Key_Down) << "" << none << false
                          << KeyAction::VolumeDown;
    QTest::newRow("m") << 58u << int(Qt::Key_M) << "m" << none << false << KeyAction::ToggleMute;
    QTest::newRow("f") << 41u << int(Qt::Key_F) << "f" << none << false
                       << KeyAction::ToggleFullscreen;
    QTest::newRow("s") << 39u << int(Qt::Key_S) << "s" << none << false
                       << KeyAction::ToggleSubtitles;
    QTest::newRow("escape") << 9u << int(Qt::Key_Escape) << "\x1b" << none << false
                            << KeyAction::Escape;
    QTest::newRow("other key") << 38u << int(Qt::Key_A) << "a" << none << false << KeyAction::None;
    QTest::newRow("return") << 36u << int(Qt::Key_Return) << "\r" << none << false
                            << KeyAction::None;

    // Modifiers are not looked at; a held key acts at every repeat.
    QTest::newRow("shift+s") << 39u << int(Qt::Key_S) << "S"
                             << Qt::KeyboardModifiers(Qt::ShiftModifier) << false
                             << KeyAction::ToggleSubtitles;
    QTest::newRow("ctrl+f") << 41u << int(Qt::Key_F) << ""
                            << Qt::KeyboardModifiers(Qt::ControlModifier) << false
                            << KeyAction::ToggleFullscreen;
    QTest::newRow("up held") << 111u << int(Qt::Key_Up) << "" << none << true
                             << KeyAction::VolumeUp;

    // Persian layout: the same positions type Persian letters (Qt reports the
    // letter's code point as the key).
    QTest::newRow("fa: s position")
        << 39u << 0x0633 << QStringLiteral("س") << none << false << KeyAction::ToggleSubtitles;
    QTest::newRow("fa: f position")
        << 41u << 0x0628 << QStringLiteral("ب") << none << false << KeyAction::ToggleFullscreen;
    QTest::newRow("fa: m position")
        << 58u << 0x067E << QStringLiteral("پ") << none << false << KeyAction::ToggleMute;
    QTest::newRow("fa: space") << 65u << int(Qt::Key_Space) << " " << none << false
                               << KeyAction::TogglePlay;
    QTest::newRow("fa: a position")
        << 38u << 0x0634 << QStringLiteral("ش") << none << false << KeyAction::None;
    // Dvorak: the key that types "s" sits where US has ";"; position decides.
    QTest::newRow("dvorak: s typed elsewhere")
        << 47u << int(Qt::Key_S) << "s" << none << false << KeyAction::None;
    QTest::newRow("dvorak: s position types o")
        << 39u << int(Qt::Key_O) << "o" << none << false << KeyAction::ToggleSubtitles;

    // No key code: the Qt key decides.
    QTest::newRow("no code: space")
        << 0u << int(Qt::Key_Space) << " " << none << false << KeyAction::TogglePlay;
    QTest::newRow("no code: left")
        << 0u << int(Qt::Key_Left) << "" << none << false << KeyAction::SkipBack;
    QTest::newRow("no code: right")
        << 0u << int(Qt::Key_Right) << "" << none << false << KeyAction::SkipForward;
    QTest::newRow("no code: up") << 0u << int(Qt::Key_Up) << "" << none << false
                                 << KeyAction::VolumeUp;
    QTest::newRow("no code: down")
        << 0u << int(Qt::Key_Down) << "" << none << false << KeyAction::VolumeDown;
    QTest::newRow("no code: m") << 0u << int(Qt::Key_M) << "m" << none << false
                                << KeyAction::ToggleMute;
    QTest::newRow("no code: f") << 0u << int(Qt::Key_F) << "f" << none << false
                                << KeyAction::ToggleFullscreen;
    QTest::newRow("no code: s") << 0u << int(Qt::Key_S) << "s" << none << false
                                << KeyAction::ToggleSubtitles;
    QTest::newRow("no code: escape")
        << 0u << int(Qt::Key_Escape) << "\x1b" << none << false << KeyAction::Escape;
    QTest::newRow("no code: other")
        << 0u << int(Qt::Key_A) << "a" << none << false << KeyAction::None;
    QTest::newRow("no code: persian letter")
        << 0u << 0x0633 << QStringLiteral("س") << none << false << KeyAction::None;
}

void TestKeys::keyAction() {
    QFETCH(quint32, scanCode);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, autoRepeat);
    QFETCH(KeyAction, action);

    QCOMPARE(keyActionFor(scanCode, key), action);
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, 0, text, autoRepeat);
    QCOMPARE(keyActionFor(event), action);
}

VELMO_TEST_MAIN(TestKeys)
#include "test_ui_keys.moc"
