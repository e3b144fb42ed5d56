#pragma once

// The bottom-most child of the player window: paints the engine's pictures
// itself (raster QPainter), so that translucent widgets can sit above it without
// a compositor. Black where there is no picture.

#include <QWidget>

#include <memory>

namespace velmo {

class FrameSink;
class VideoPresenter;
class VideoSink;

class VideoView : public QWidget {
    Q_OBJECT

public:
    explicit VideoView(QWidget* parent = nullptr);
    // The player must have been stopped (its video output gone) before this.
    ~VideoView() override;

    // What to pass to MediaPlayer::attachVideo.
    VideoSink* sink();
    // Forget the last picture and go black.
    void clear();

    // The sequence number of the last picture painted, 0 before any; for tests.
    quint64 paintedSequence() const { return paintedSequence_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize deviceSize() const;
    void takeNotice();

    std::unique_ptr<VideoPresenter> presenter_; // outlives sink_
    std::unique_ptr<FrameSink> sink_;
    quint64 paintedSequence_ = 0;
};

} // namespace velmo
