// Draws the project's artwork: a card terminal with an upward arrow in calm
// teal. Run at build time, so the images follow from this source alone.
//   tvx-artgen <output folder> <icon size>...  ->  banner.png, about.png,
//   icon.png, and the icon for the desktop's theme:
//   hicolor/<N>x<N>/apps/tvxupgrade.png at each size N and
//   hicolor/scalable/apps/tvxupgrade.svg; and for Windows' resources
//   banner.bmp, about.bmp and tvxupgrade.ico
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

const QColor kDeepTeal(0x1F, 0x4E, 0x5F);
const QColor kTeal(0x2E, 0x7D, 0x8C);
const QColor kMist(0xA8, 0xD5, 0xDA);
const QColor kPaper(0xF4, 0xF7, 0xF6);
const QColor kAmber(0xE8, 0xB0, 0x4A);

// A card terminal standing in the box: body, display, keypad and a card in
// its slot. The box's height sets the scale.
void DrawTerminal(QPainter &p, const QRectF &box, const QColor &body, const QColor &ink)
{
    const qreal u = box.height() / 20.0;
    const QRectF card(box.left() + 3 * u, box.top(), 8 * u, 6 * u);
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawRoundedRect(card, 0.8 * u, 0.8 * u);
    p.setBrush(ink);
    p.drawRect(QRectF(card.left() + 1.2 * u, card.top() + 1.2 * u, 2.2 * u, 1.7 * u)); // the chip

    const QRectF shell(box.left(), box.top() + 4 * u, 14 * u, 16 * u);
    p.setBrush(body);
    p.drawRoundedRect(shell, 2 * u, 2 * u);
    p.setBrush(ink);
    p.drawRect(QRectF(shell.left() + 2 * u, shell.top() - 0.2 * u, 10 * u, 0.9 * u)); // the slot
    p.drawRoundedRect(QRectF(shell.left() + 2 * u, shell.top() + 2 * u, 10 * u, 4.5 * u), 0.7 * u, 0.7 * u);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRoundedRect(QRectF(shell.left() + (2.3 + column * 3.4) * u,
                                     shell.top() + (8.2 + row * 2.4) * u, 2.6 * u, 1.6 * u),
                              0.4 * u, 0.4 * u);
}

// An upward arrow filling the box.
void DrawArrow(QPainter &p, const QRectF &box, const QColor &colour)
{
    const qreal w = box.width(), h = box.height();
    QPainterPath arrow;
    arrow.moveTo(box.left() + w / 2, box.top());
    arrow.lineTo(box.right(), box.top() + h * 0.45);
    arrow.lineTo(box.left() + w * 0.68, box.top() + h * 0.45);
    arrow.lineTo(box.left() + w * 0.68, box.bottom());
    arrow.lineTo(box.left() + w * 0.32, box.bottom());
    arrow.lineTo(box.left() + w * 0.32, box.top() + h * 0.45);
    arrow.lineTo(box.left(), box.top() + h * 0.45);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(arrow);
}

QImage NewImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Sizes fill the pictures' places in dialog units (471 x 27 and 78 x 27) at
// the base units of the usual 8-point sans font (7 x 13 pixels); with a
// smaller font the window scales them down.

// The banner over the wizard's steps: a band fading from deep to light teal,
// the terminal and arrow at the left, quiet arcs to the right.
QImage Banner()
{
    QImage image = NewImage(824, 44);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, image.width(), 0);
    band.setColorAt(0, kDeepTeal);
    band.setColorAt(0.55, kTeal);
    band.setColorAt(1, kMist);
    p.fillRect(image.rect(), band);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 7; ++i) {
        QColor arc = kPaper;
        arc.setAlphaF(0.10f + 0.03f * static_cast<float>(i));
        p.setPen(QPen(arc, 1.5));
        const qreal r = 30 + 26 * i;
        p.drawEllipse(QPointF(image.width() - 40, image.height() + 10), r, r);
    }
    DrawTerminal(p, QRectF(16, 5, 24, 34), kPaper, kDeepTeal);
    DrawArrow(p, QRectF(46, 9, 16, 26), kAmber);
    p.setPen(QPen(kMist, 1));
    p.drawLine(QPointF(74, 22), QPointF(440, 22));
    return image;
}

// The About box's picture: the same pair on paper, framed by a teal rule.
QImage AboutPicture()
{
    QImage image = NewImage(137, 44);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0.5, 0.5, 136, 43);
    p.setPen(QPen(kTeal, 1));
    p.setBrush(kPaper);
    p.drawRoundedRect(frame, 6, 6);
    DrawTerminal(p, QRectF(44, 5, 24, 34), kTeal, kPaper);
    DrawArrow(p, QRectF(76, 9, 16, 26), kAmber);
    return image;
}

// The application icon: the terminal and arrow on a rounded teal tile, on a
// square of 256 units whatever the size it is drawn at.
constexpr int kIconUnits = 256;

void PaintIcon(QPainter &p, qreal side)
{
    p.scale(side / kIconUnits, side / kIconUnits);
    QLinearGradient tile(0, 0, 0, kIconUnits);
    tile.setColorAt(0, kTeal);
    tile.setColorAt(1, kDeepTeal);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    DrawTerminal(p, QRectF(44, 38, 126, 180), kPaper, kDeepTeal);
    DrawArrow(p, QRectF(168, 70, 52, 96), kAmber);
}

QImage Icon(int side)
{
    QImage image = NewImage(side, side);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    PaintIcon(p, side);
    return image;
}

bool WriteVectorIcon(const QString &path)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kIconUnits, kIconUnits));
    svg.setViewBox(QRect(0, 0, kIconUnits, kIconUnits));
    svg.setTitle(QStringLiteral("TVXUpgrade"));
    svg.setDescription(QStringLiteral("A card terminal with an upward arrow"));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    PaintIcon(p, kIconUnits);
    return p.end();
}

bool Save(const QImage &image, const QString &path)
{
    if (QDir().mkpath(path.section(QLatin1Char('/'), 0, -2)) && image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// Windows shows a static control's bitmap without its alpha: the picture
// stands on the dialog's face colour of current Windows.
bool SaveBitmap(const QImage &image, const QString &path)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter(&flat).drawImage(0, 0, image);
    if (flat.save(path, "BMP"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

void PutLittleEndian(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An icon file holding one PNG image per size, a form Windows reads since
// Vista: a header, one 16-byte directory entry per image, then the images.
bool SaveIconFile(const QString &path)
{
    const int sides[] = {16, 24, 32, 48, 64, 256};
    QList<QByteArray> images;
    for (int side : sides) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        Icon(side).save(&buffer, "PNG");
        images.append(png);
    }
    QByteArray file;
    PutLittleEndian(file, 0, 2); // reserved
    PutLittleEndian(file, 1, 2); // an icon
    PutLittleEndian(file, std::size(sides), 2);
    quint32 offset = 6 + 16 * std::size(sides);
    for (std::size_t i = 0; i < std::size(sides); ++i) {
        file.append(static_cast<char>(sides[i] % 256)); // 0 stands for 256
        file.append(static_cast<char>(sides[i] % 256));
        file.append('\0');            // no palette
        file.append('\0');            // reserved
        PutLittleEndian(file, 1, 2);  // planes
        PutLittleEndian(file, 32, 2); // bits per pixel
        PutLittleEndian(file, static_cast<quint32>(images[static_cast<qsizetype>(i)].size()), 4);
        PutLittleEndian(file, offset, 4);
        offset += static_cast<quint32>(images[static_cast<qsizetype>(i)].size());
    }
    for (const QByteArray &image : images)
        file.append(image);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(file) == file.size())
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> <icon size>...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    if (!Save(Banner(), folder + QStringLiteral("banner.png")) ||
        !Save(AboutPicture(), folder + QStringLiteral("about.png")) ||
        !Save(Icon(kIconUnits), folder + QStringLiteral("icon.png")) ||
        !SaveBitmap(Banner(), folder + QStringLiteral("banner.bmp")) ||
        !SaveBitmap(AboutPicture(), folder + QStringLiteral("about.bmp")) ||
        !SaveIconFile(folder + QStringLiteral("tvxupgrade.ico")))
        return 1;
    const QString theme = folder + QStringLiteral("hicolor/");
    for (int i = 2; i < argc; ++i) {
        const int side = std::atoi(argv[i]);
        if (side <= 0 || !Save(Icon(side), theme + QStringLiteral("%1x%1/apps/tvxupgrade.png").arg(side)))
            return 1;
    }
    const QString vector = theme + QStringLiteral("scalable/apps/tvxupgrade.svg");
    if (!QDir().mkpath(theme + QStringLiteral("scalable/apps")) || !WriteVectorIcon(vector)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(vector));
        return 1;
    }
    return 0;
}
