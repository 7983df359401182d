// Draws the window's artwork: the banner (206 x 220 baseline JPEG, and twice that), the icon at
// each size desktops use (icons/tessaline-<size>.png, 16 to 256 pixels, each drawn for its size;
// icon.png is the 32-pixel one, the Qt window's) and the Windows .ico with the sizes Windows uses.
// Usage: make_artwork <output folder>.
// Everything is painted from code here, so the files can be made again at any time.
#include <QBuffer>
#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

const QColor SkinLight(246, 205, 170);
const QColor SkinDark(214, 150, 108);
const QColor SkinLine(150, 92, 58);

// Where a disc's lines fall, and how wide they are: for the banner the proportions alone; for an
// icon chosen for its size (iconDisc below).
struct DiscMeasures {
    double radius = 0;                        // the disc's edge
    double rimWidth = 0, rimRadius = 0;       // the line round the edge
    std::vector<double> grooves;              // radii of the faint grooves
    double grooveWidth = 0;                   // and their lines' width
    double hubRadius = 0;                     // the clear hub
    double ringRadius = 0, ringWidth = 0;     // its stacking ring; width 0: none
    double holeRadius = 0, holeRimWidth = 0;  // the hole and the line round it; width 0: none
    double holeRimRadius = 0;                 // where that line runs
};

// The measures of a disc drawn with plenty of pixels.
DiscMeasures smoothDisc(double radius)
{
    DiscMeasures m;
    m.radius = radius;
    m.rimWidth = std::max(0.8, radius / 50);
    m.rimRadius = radius - 0.5;
    for (double r = radius * 0.4; r < radius * 0.95; r += radius * 0.07) m.grooves.push_back(r);
    m.grooveWidth = std::max(0.5, radius / 90);
    m.hubRadius = radius * 0.33;
    m.ringRadius = radius * 0.24;
    m.ringWidth = std::max(0.6, radius / 60);
    m.holeRadius = m.holeRimRadius = radius * 0.12;
    m.holeRimWidth = std::max(0.6, radius / 70);
    return m;
}

// A disc centred in a square layer of `size` pixels: silver face, rainbow sheen, clear hub and a
// hole through which whatever lies below shows.
// scale > 1 draws the same disc with more pixels, for high-density screens.
QImage discLayer(int size, const DiscMeasures& m, int scale = 1)
{
    const double radius = m.radius;
    QImage layer(size * scale, size * scale, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.translate(size / 2.0, size / 2.0);
    const QRectF outer(-radius, -radius, 2 * radius, 2 * radius);

    QRadialGradient face(QPointF(-radius * 0.3, -radius * 0.35), radius * 1.4);
    face.setColorAt(0, QColor(250, 252, 255));
    face.setColorAt(0.6, QColor(206, 214, 226));
    face.setColorAt(1, QColor(150, 160, 178));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(outer);

    // The rainbow: two turns of the spectrum, strongest where the light catches the grooves.
    QConicalGradient rainbow(QPointF(0, 0), 35);
    const QColor spectrum[] = {QColor(255, 60, 90),  QColor(255, 200, 40), QColor(80, 230, 90),
                               QColor(40, 200, 255), QColor(120, 80, 255), QColor(255, 60, 200)};
    const int steps = 12;
    for (int i = 0; i <= steps; ++i) {
        QColor c = spectrum[i % 6];
        c.setAlpha(i % 3 == 0 ? 150 : 95);
        rainbow.setColorAt(double(i) / steps, c);
    }
    p.setBrush(rainbow);
    p.drawEllipse(outer.adjusted(radius * 0.04, radius * 0.04, -radius * 0.04, -radius * 0.04));

    // White highlight streaks across from each other, as on a real disc under a lamp.
    QConicalGradient streaks(QPointF(0, 0), 120);
    const double at[] = {0.0, 0.04, 0.08, 0.46, 0.5, 0.54, 1.0};
    const int alpha[] = {0, 190, 0, 0, 150, 0, 0};
    for (int i = 0; i < 7; ++i) streaks.setColorAt(at[i], QColor(255, 255, 255, alpha[i]));
    p.setBrush(streaks);
    p.drawEllipse(outer);

    // Faint grooves.
    for (const double r : m.grooves) {
        p.setPen(QPen(QColor(255, 255, 255, 40), m.grooveWidth));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(0, 0), r, r);
    }

    // Clear hub, its stacking ring, the hole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 240, 247, 225));
    p.drawEllipse(QPointF(0, 0), m.hubRadius, m.hubRadius);
    p.setBrush(Qt::NoBrush);
    if (m.ringWidth > 0) {
        p.setPen(QPen(QColor(150, 160, 178), m.ringWidth));
        p.drawEllipse(QPointF(0, 0), m.ringRadius, m.ringRadius);
    }
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(0, 0), m.holeRadius, m.holeRadius);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(Qt::NoBrush);
    if (m.holeRimWidth > 0) {
        p.setPen(QPen(QColor(120, 130, 150), m.holeRimWidth));
        p.drawEllipse(QPointF(0, 0), m.holeRimRadius, m.holeRimRadius);
    }
    p.setPen(QPen(QColor(110, 120, 140), m.rimWidth));
    p.drawEllipse(QPointF(0, 0), m.rimRadius, m.rimRadius);
    return layer;
}

QBrush skinBrush(const QPointF& from, const QPointF& to)
{
    QLinearGradient g(from, to);
    g.setColorAt(0, SkinLight);
    g.setColorAt(1, SkinDark);
    return g;
}

// A finger or thumb: a rounded bar from `base` in the direction `angle` (degrees).
QPainterPath digit(const QPointF& base, double angle, double length, double width)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, -width / 2, length, width), width / 2, width / 2);
    QTransform t;
    t.translate(base.x(), base.y());
    t.rotate(angle);
    return t.map(path);
}

// The banner in 206 x 220 logical pixels; scale 2 gives the copy for screens at 200%.
void drawBanner(const QString& path, int scale)
{
    QImage banner(206 * scale, 220 * scale, QImage::Format_RGB32);
    QPainter p(&banner);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, 220);
    sky.setColorAt(0, QColor(12, 40, 112));
    sky.setColorAt(0.55, QColor(36, 110, 196));
    sky.setColorAt(1, QColor(150, 210, 240));
    const QRect area(0, 0, 206, 220);
    p.fillRect(area, sky);
    QRadialGradient glow(QPointF(118, 128), 100);
    glow.setColorAt(0, QColor(255, 255, 255, 110));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(area, glow);

    const QPointF centre(118, 132);
    const double radius = 70;

    // Fingers behind the disc, curled round its lower left rim.
    p.setPen(QPen(SkinLine, 1.2));
    for (int i = 0; i < 3; ++i) {
        const QPointF base(26.0 + i * 14, 214.0 - i * 6);
        p.setBrush(skinBrush(base, base + QPointF(18, -30)));
        p.drawPath(digit(base, -72 + i * 14, 52 - i * 4, 15));
    }
    // Palm and wrist coming in from the bottom left corner.
    QPainterPath palm;
    palm.moveTo(-10, 236);
    palm.cubicTo(-6, 200, 18, 176, 48, 170);
    palm.cubicTo(66, 168, 80, 186, 74, 204);
    palm.cubicTo(70, 218, 60, 230, 54, 236);
    palm.closeSubpath();
    p.setBrush(skinBrush(QPointF(10, 180), QPointF(60, 236)));
    p.drawPath(palm);

    const int discSize = 2 * int(radius) + 8;
    const QImage disc = discLayer(discSize, smoothDisc(radius), scale);
    p.drawImage(QRectF(centre - QPointF(discSize / 2.0, discSize / 2.0), QSizeF(discSize, discSize)), disc);
    // A soft shadow of the thumb on the disc, then the thumb pressing on its front.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 30, 60, 60));
    p.drawPath(digit(QPointF(38, 186), -50, 44, 17).translated(3, 3));
    p.setPen(QPen(SkinLine, 1.2));
    p.setBrush(skinBrush(QPointF(40, 190), QPointF(70, 160)));
    const QPainterPath thumb = digit(QPointF(36, 188), -50, 44, 17);
    p.drawPath(thumb);
    p.setPen(QPen(QColor(196, 132, 100), 1));
    p.setBrush(QColor(250, 222, 205));
    p.drawPath(digit(QPointF(62, 160), -50, 14, 10));

    // The title.
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(28);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    const QRect titleBox(0, 10, 206, 36);
    p.setFont(title);
    p.setPen(QColor(0, 20, 60, 150));
    p.drawText(titleBox.translated(1, 2), Qt::AlignCenter, QStringLiteral("Tessaline"));
    p.setPen(QColor(255, 255, 255));
    p.drawText(titleBox, Qt::AlignCenter, QStringLiteral("Tessaline"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(11);
    p.setFont(sub);
    p.setPen(QColor(200, 225, 255));
    p.drawText(QRect(0, 44, 206, 16), Qt::AlignCenter, QStringLiteral("CD writer driver wizard"));
    p.end();

    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(92);
        writer.setProgressiveScanWrite(false);
        if (!writer.write(banner)) {
            std::fprintf(stderr, "cannot encode the banner: %s\n", qPrintable(writer.errorString()));
            std::exit(1);
        }
    }
    // The encoder writes a JFIF 1.01 header; the file is meant to declare 1.02.
    if (jpeg.size() > 12 && jpeg.mid(6, 5) == QByteArray("JFIF\0", 5) && jpeg[11] == 1) jpeg[12] = 2;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// How the icon is drawn at one size. Each size has its own outline widths and only the details
// that still show at that many pixels; up to 48 pixels the disc's lines fall on whole pixels.
struct IconStyle {
    int size;                                   // pixels, square
    int margin;                                 // transparent pixels between the disc and the icon's edge
    double rim;                                 // the disc's outline
    double grooveStep;                          // the grooves' spacing, as a part of the radius; 0: none
    bool ring;                                  // the hub's stacking ring
    bool holeRim;                               // a line round the hole
    double thumbWidth, thumbLength, thumbLine;  // the thumb, from the lower left corner, and its outline
    bool nail;                                  // the thumbnail, and the thumb's shadow on the disc
};

// The sizes desktops draw an application's icon at, from menus and title bars to docks and
// software centres.
const IconStyle IconStyles[] = {
    {16, 0, 1, 0, false, true, 5, 7, 1, false},       // menus, panels
    {24, 1, 1, 0, false, true, 7, 11, 1, false},      // menus at 150 %
    {32, 1, 1, 0, false, true, 9, 15, 1, false},      // window lists, menus at 200 %
    {48, 2, 1, 0.2, true, true, 12, 23, 1.5, true},   // docks, application grids
    {64, 2, 2, 0.14, true, true, 14, 30, 2, true},    // software centres' lists
    {128, 4, 2.5, 0.1, true, true, 26, 60, 3, true},  // software centres' pages
    {256, 6, 3, 0.07, true, true, 48, 120, 5, true},  // large views, docks at 200 %
};

// The disc's measures for an icon style. On whole pixels, a line of whole width runs outward from
// a whole radius, so that both its edges fall between pixels (the disc's centre is on a pixel
// corner, the sizes being even).
DiscMeasures iconDisc(const IconStyle& style)
{
    const bool whole = style.size <= 48;
    const double radius = style.size / 2.0 - style.margin;
    auto edge = [whole](double r) { return whole ? std::max(1.0, std::round(r)) : r; };
    auto line = [whole](double r, double width) { return whole ? std::round(r) + width / 2 : r; };
    DiscMeasures m;
    m.radius = radius;
    m.rimWidth = style.rim;
    m.rimRadius = radius - style.rim / 2;
    m.grooveWidth = whole ? 1 : std::max(0.5, radius / 90);
    if (style.grooveStep > 0)
        for (double r = radius * 0.4; r < radius * 0.95; r += radius * style.grooveStep)
            m.grooves.push_back(line(r, m.grooveWidth));
    m.hubRadius = edge(radius * 0.33);
    if (style.ring) {
        m.ringWidth = whole ? 1 : std::max(0.6, radius / 60);
        m.ringRadius = line(radius * 0.24, m.ringWidth);
    }
    m.holeRadius = edge(radius * 0.12);
    if (style.holeRim) {
        m.holeRimWidth = whole ? 1 : std::max(0.6, radius / 70);
        m.holeRimRadius = whole ? m.holeRadius + m.holeRimWidth / 2 : m.holeRadius;
    }
    return m;
}

// The icon at one size, drawn for it: the disc, held by a thumb coming in from the lower left.
QImage drawIcon(const IconStyle& style)
{
    const int size = style.size;
    const double unit = size / 256.0;
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawImage(0, 0, discLayer(size, iconDisc(style)));
        const QPointF base(10 * unit, 246 * unit);
        const QPainterPath thumb = digit(base, -45, style.thumbLength, style.thumbWidth);
        if (style.nail) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(20, 30, 60, 60));
            p.drawPath(thumb.translated(size / 85.0, size / 85.0));
        }
        p.setPen(QPen(SkinLine, style.thumbLine));
        p.setBrush(skinBrush(QPointF(20, 230) * unit, QPointF(110, 150) * unit));
        p.drawPath(thumb);
        if (style.nail) {
            const double along = style.thumbLength * 0.62;
            const QPointF nailBase = base + QPointF(along, -along) / std::sqrt(2.0);
            p.setPen(QPen(QColor(196, 132, 100), std::max(1.0, style.thumbLine / 2)));
            p.setBrush(QColor(250, 222, 205));
            p.drawPath(digit(nailBase, -45, style.thumbLength * 0.3, style.thumbWidth * 0.55));
        }
    }
    return icon.convertToFormat(QImage::Format_ARGB32);
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "png")) {
        std::fprintf(stderr, "cannot encode a %dx%d icon\n", image.width(), image.height());
        std::exit(1);
    }
    return png;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

void put16(QByteArray& out, int v) { out.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); }

void put32(QByteArray& out, qint64 v)
{
    put16(out, int(v & 0xffff));
    put16(out, int((v >> 16) & 0xffff));
}

// One image of an .ico: a 32-bit device-independent bitmap with its alpha, bottom row first, and
// the 1-bit mask of its transparent pixels for programs that ignore the alpha; 256 pixels and
// more as a PNG, as Windows Vista and later read them.
QByteArray icoImage(const QImage& icon)
{
    if (icon.width() >= 256) return pngBytes(icon);
    const int w = icon.width(), h = icon.height();
    const int maskRow = ((w + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, w);
    put32(out, 2 * h);  // the colour rows and the mask's
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, w * h * 4 + maskRow * h);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const QRgb c = icon.pixel(x, y);
            out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(qAlpha(c)));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(icon.pixel(x, y)) == 0) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

// An .ico holding the given images, smallest first.
QByteArray icoFile(const std::vector<QImage>& icons)
{
    std::vector<QByteArray> images;
    for (const QImage& icon : icons) images.push_back(icoImage(icon));
    QByteArray out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, int(icons.size()));
    qint64 offset = 6 + 16 * qint64(icons.size());
    for (size_t i = 0; i < icons.size(); ++i) {
        const int w = icons[i].width(), h = icons[i].height();
        out.append(char(w >= 256 ? 0 : w)).append(char(h >= 256 ? 0 : h)).append(char(0)).append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, images[i].size());
        put32(out, offset);
        offset += images[i].size();
    }
    for (const QByteArray& image : images) out.append(image);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork <output folder>\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    drawBanner(out.filePath(QStringLiteral("banner.jpg")), 1);
    drawBanner(out.filePath(QStringLiteral("banner@2x.jpg")), 2);

    if (!out.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "cannot make the folder icons\n");
        return 1;
    }
    // Windows picks from the .ico the small and the big window icon at 100 %, 150 % and 200 %
    // (16, 24, 32; 32, 48, 64 pixels) and Explorer's largest view (256).
    const int icoSizes[] = {16, 24, 32, 48, 64, 256};
    std::vector<QImage> icoIcons;
    for (const IconStyle& style : IconStyles) {
        const QImage icon = drawIcon(style);
        const QByteArray png = pngBytes(icon);
        writeFile(out.filePath(QStringLiteral("icons/tessaline-%1.png").arg(style.size)), png);
        // The window icon the Qt program compiles in.
        if (style.size == 32) writeFile(out.filePath(QStringLiteral("icon.png")), png);
        if (std::find(std::begin(icoSizes), std::end(icoSizes), style.size) != std::end(icoSizes))
            icoIcons.push_back(icon);
    }
    writeFile(out.filePath(QStringLiteral("tessaline.ico")), icoFile(icoIcons));
    return 0;
}
