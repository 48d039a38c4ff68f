// The clip player against the program's own clips: sizes, frame counts,
// playing in a loop, centring, the transparent corner colour, and clips that
// cannot be read.
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "splitter/ui/qt/ClipPlayer.h"

using portelan::qt::CClipPlayer;

namespace {

// What the widget put on the screen, at the widget's own pixel scale.
QImage Shown(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32); }

QByteArray ResourceBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ClipPlayerTest : public QObject {
    Q_OBJECT

  private slots:
    void opensTheProgramsClips_data()
    {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("frames");
        QTest::newRow("error") << ":/pictures/clip130.avi" << QSize(80, 57) << 10;
        QTest::newRow("about") << ":/pictures/clip133.avi" << QSize(96, 96) << 24;
        QTest::newRow("dedication") << ":/pictures/clip134.avi" << QSize(64, 64) << 20;
    }

    // Each clip opens with its size and frame count, then plays 1, 2, ...,
    // the last frame, 0, 1, ... for as long as it lives.
    void opensTheProgramsClips()
    {
        QFETCH(QString, resource);
        QFETCH(QSize, size);
        QFETCH(int, frames);

        QWidget window;
        window.resize(200, 200);
        auto* player = new CClipPlayer(resource, false, &window);
        player->resize(150, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVERIFY(player->IsOpen());
        QCOMPARE(player->ClipSize(), size);
        QCOMPARE(player->FrameCount(), frames);
        QCOMPARE(player->CurrentImage().size(), size);

        QSignalSpy spy(player, &CClipPlayer::FrameChanged);
        const int start = player->CurrentFrame();
        // Past the end once and a few frames into the next round.
        const int wanted = frames + 3;
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= wanted, 60000);
        for (int i = 0; i < wanted; ++i)
            QCOMPARE(spy.at(i).at(0).toInt(), (start + 1 + i) % frames);
    }

    // Different frames of a clip are different pictures: the player shows the
    // animation, not one frame again and again.
    void framesChangeThePicture()
    {
        CClipPlayer player(QStringLiteral(":/pictures/clip130.avi"), false, nullptr);
        QVERIFY(player.IsOpen());
        const QImage first = player.CurrentImage();
        QSignalSpy spy(&player, &CClipPlayer::FrameChanged);
        QTRY_VERIFY_WITH_TIMEOUT(player.CurrentImage() != first, 30000);
        QVERIFY(spy.count() >= 1);
    }

    // The frame is drawn centred in the widget: in a larger widget with a
    // border around it, in a smaller one cut at both sides alike.
    void drawsTheFrameCentred()
    {
        for (const QSize widgetSize : {QSize(150, 120), QSize(40, 31)}) {
            QWidget window;
            window.resize(200, 200);
            auto* player = new CClipPlayer(QStringLiteral(":/pictures/clip130.avi"), false, &window);
            player->setGeometry(0, 0, widgetSize.width(), widgetSize.height());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));

            const QPoint offset((widgetSize.width() - 80) / 2, (widgetSize.height() - 57) / 2);
            QCOMPARE(player->ClipRect(), QRect(offset, QSize(80, 57)));

            const QImage shown = Shown(*player);
            const QImage frame = player->CurrentImage(); // nothing ran in between
            QCOMPARE(shown.size(), widgetSize);
            int compared = 0;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    const QPoint at = QPoint(x, y) - offset;
                    if (!frame.rect().contains(at))
                        continue;
                    QCOMPARE(shown.pixel(x, y), frame.pixel(at));
                    ++compared;
                }
            }
            QCOMPARE(compared, std::min(widgetSize.width(), 80) * std::min(widgetSize.height(), 57));
        }
    }

    // With transparency, the pixels in the colour of the first frame's top
    // left corner let the window behind show through; all others are drawn.
    // Without it, the corner colour is drawn like any other.
    void transparentCornerColourShowsTheBackground()
    {
        const QColor background(255, 0, 255);
        for (const bool transparent : {true, false}) {
            QWidget window;
            window.resize(100, 100);
            QPalette palette = window.palette();
            palette.setColor(QPalette::Window, background);
            window.setPalette(palette);
            window.setAutoFillBackground(true);
            auto* player = new CClipPlayer(QStringLiteral(":/pictures/clip134.avi"), transparent, &window);
            player->setGeometry(0, 0, 64, 64);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(player->IsOpen());

            const QImage frame = player->CurrentImage();
            const QImage shown =
                window.grab(QRect(0, 0, 64, 64)).toImage().convertToFormat(QImage::Format_ARGB32);
            const QRgb corner = frame.pixel(0, 0) | 0xFF000000u;
            QVERIFY(corner != background.rgb());
            int cornerPixels = 0, otherPixels = 0;
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const QRgb pixel = frame.pixel(x, y);
                    if ((pixel | 0xFF000000u) == corner) {
                        ++cornerPixels;
                        QCOMPARE(qAlpha(pixel), transparent ? 0 : 255);
                        QCOMPARE(shown.pixel(x, y), transparent ? background.rgb() : corner);
                    } else {
                        ++otherPixels;
                        QCOMPARE(qAlpha(pixel), 255);
                        QCOMPARE(shown.pixel(x, y), pixel);
                    }
                }
            }
            QVERIFY(cornerPixels > 0);
            QVERIFY(otherPixels > 0);
        }
    }

    // A missing resource, a file that is no AVI, and a clip cut off in the
    // middle: nothing is shown and nothing moves, and the window lives on.
    void unreadableClipShowsNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray whole = ResourceBytes(QStringLiteral(":/pictures/clip130.avi"));
        QVERIFY(whole.size() > 1000);
        const QString cut = dir.filePath(QStringLiteral("cut.avi"));
        const QString text = dir.filePath(QStringLiteral("text.avi"));
        {
            QFile file(cut);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(whole.left(whole.size() / 2)), whole.size() / 2);
        }
        {
            QFile file(text);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("RIFF, but not really an AVI file\n") > 0);
        }
        // The whole file, read the same way, does open: the faults above are
        // what keeps the others from opening.
        const QString copy = dir.filePath(QStringLiteral("whole.avi"));
        {
            QFile file(copy);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(whole), whole.size());
        }
        QVERIFY(CClipPlayer(copy, false, nullptr).IsOpen());

        for (const QString& source : {QStringLiteral(":/pictures/missing.avi"), cut, text}) {
            QWidget window;
            window.resize(100, 80);
            window.setAutoFillBackground(true);
            const QImage empty = Shown(window);
            auto* player = new CClipPlayer(source, false, &window);
            player->setGeometry(0, 0, 100, 80);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));

            QVERIFY2(!player->IsOpen(), qPrintable(source));
            QCOMPARE(player->FrameCount(), 0);
            QCOMPARE(player->CurrentFrame(), 0);
            QVERIFY(player->ClipSize().isEmpty());
            QVERIFY(player->CurrentImage().isNull());
            QVERIFY(player->ClipRect().isEmpty());

            QSignalSpy spy(player, &CClipPlayer::FrameChanged);
            QTest::qWait(300); // three frames' time of the real clip
            QCOMPARE(spy.count(), 0);
            QCOMPARE(Shown(window), empty);
        }
    }
};

QTEST_MAIN(ClipPlayerTest)
#include "clip_player_test.moc"
