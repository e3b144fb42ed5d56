#pragma once

// The top bar: the close button, the media's title and second line, the
// quality, audio and subtitle chips, the subtitle-style button and the
// fullscreen button.

#include <QWidget>

namespace velmo {

class IconButton;
class MenuChip;
class TextLabel;
struct WindowFrames;

class TopBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 56;

    explicit TopBar(QWidget* parent = nullptr);

    void setTitles(const QString& title, const QString& subtitle);
    void showFullscreen(bool fullscreen);
    void place(const WindowFrames& frames);

    MenuChip* qualityChip() const { return quality_; }
    MenuChip* audioChip() const { return audio_; }
    MenuChip* subtitleChip() const { return subtitle_; }
    QWidget* styleButton() const;

signals:
    void closeClicked();
    void styleClicked();
    void fullscreenClicked();

private:
    IconButton* close_;
    TextLabel* title_;
    TextLabel* second_;
    MenuChip* quality_;
    MenuChip* audio_;
    MenuChip* subtitle_;
    IconButton* style_;
    IconButton* fullscreen_;
};

} // namespace velmo
