#include "splitter/ui/qt/ClipPlayer.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include "splitter/ui/AviClip.h"

namespace portelan::qt {

struct CClipPlayer::Impl {
    std::vector<QImage> frames; // empty when the clip could not be read
    QSize size;
    int current = 0;
    QTimer timer;
};

namespace {

// The decoder's 0xAARRGGBB pixels are QImage's ARGB32 layout, so each frame
// is copied once and drawn as it is; alpha 0 leaves the background showing.
std::vector<QImage> ToImages(const CAviClip& clip)
{
    std::vector<QImage> images;
    images.reserve(clip.FrameCount());
    for (std::size_t i = 0; i < clip.FrameCount(); ++i) {
        const std::vector<std::uint32_t>& pixels = clip.Frame(i);
        QImage image(clip.Width(), clip.Height(), QImage::Format_ARGB32);
        for (int y = 0; y < clip.Height(); ++y) {
            const auto* row =
                pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(clip.Width());
            std::copy(row, row + clip.Width(), reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
        }
        images.push_back(std::move(image));
    }
    return images;
}

std::optional<CAviClip> LoadClip(const QString& resource, bool transparent)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    AviClipOptions options;
    options.transparentCorner = transparent;
    return CAviClip::Parse(data, options);
}

} // namespace

CClipPlayer::CClipPlayer(const QString& resource, bool transparent, QWidget* parent)
    : QWidget(parent), m_impl(std::make_unique<Impl>())
{
    // Clicks belong to the window the clip is shown in.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const std::optional<CAviClip> clip = LoadClip(resource, transparent);
    if (!clip || clip->FrameCount() == 0)
        return; // a clip that cannot be read shows nothing
    m_impl->frames = ToImages(*clip);
    m_impl->size = QSize(clip->Width(), clip->Height());

    if (m_impl->frames.size() > 1) {
        const auto milliseconds = std::max<long long>(1, (clip->FrameDuration().count() + 500) / 1000);
        m_impl->timer.setTimerType(Qt::PreciseTimer);
        m_impl->timer.setInterval(static_cast<int>(std::min<long long>(milliseconds, 1 << 30)));
        connect(&m_impl->timer, &QTimer::timeout, this, [this] {
            m_impl->current = (m_impl->current + 1) % static_cast<int>(m_impl->frames.size());
            update();
            emit FrameChanged(m_impl->current);
        });
        m_impl->timer.start();
    }
}

CClipPlayer::~CClipPlayer() = default;

bool CClipPlayer::IsOpen() const { return !m_impl->frames.empty(); }

int CClipPlayer::FrameCount() const { return static_cast<int>(m_impl->frames.size()); }

int CClipPlayer::CurrentFrame() const { return m_impl->current; }

QSize CClipPlayer::ClipSize() const { return m_impl->size; }

QImage CClipPlayer::CurrentImage() const
{
    return IsOpen() ? m_impl->frames[static_cast<std::size_t>(m_impl->current)] : QImage();
}

QRect CClipPlayer::ClipRect() const
{
    if (!IsOpen())
        return {};
    // Centred, as ACS_CENTER does; a clip larger than its place is cut at
    // both sides alike.
    return {(width() - m_impl->size.width()) / 2, (height() - m_impl->size.height()) / 2,
            m_impl->size.width(), m_impl->size.height()};
}

void CClipPlayer::paintEvent(QPaintEvent* /*event*/)
{
    if (!IsOpen())
        return;
    QPainter painter(this);
    painter.drawImage(ClipRect().topLeft(), m_impl->frames[static_cast<std::size_t>(m_impl->current)]);
}

} // namespace portelan::qt
