// Plays one of the program's animation clips, looping without end and
// centred in its rectangle, as the Windows Animate control does.
#pragma once

#include <memory>

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

namespace portelan::qt {

class CClipPlayer : public QWidget {
    Q_OBJECT
  public:
    // resource: a clip in the program's resources, e.g. ":/pictures/clip130.avi".
    // transparent: the colour of the first frame's top-left pixel is not drawn.
    CClipPlayer(const QString& resource, bool transparent, QWidget* parent);
    ~CClipPlayer() override;

    bool IsOpen() const;         // the clip was read and decoded
    int FrameCount() const;      // 0 when not open
    int CurrentFrame() const;    // the frame shown now
    QSize ClipSize() const;      // the clip's own size in pixels
    QImage CurrentImage() const; // the frame shown now; null when not open
    QRect ClipRect() const;      // where the frame is drawn; empty when not open

  signals:
    void FrameChanged(int frame); // after the clip moved on to frame

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl; // keeps the decoder out of this header
};

} // namespace portelan::qt
