// Draws the window's artwork: the banner (206 x 220 baseline JPEG) and the icon (32 x 32,
// 256-colour PNG and the same image as a Windows .ico). Usage: make_artwork <output folder>.
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
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QColor SkinLight(246, 205, 170);
const QColor SkinDark(214, 150, 108);
const QColor SkinLine(150, 92, 58);

// A disc of the given radius centred on the origin: silver face, rainbow sheen, clear hub and
// a hole through which whatever lies below shows.
// scale > 1 draws the same disc with more pixels, for high-density screens.
QImage discLayer(int size, double radius, int scale = 1)
{
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
    for (double r = radius * 0.4; r < radius * 0.95; r += radius * 0.07) {
        p.setPen(QPen(QColor(255, 255, 255, 40), std::max(0.5, radius / 90)));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(0, 0), r, r);
    }

    // Clear hub, its stacking ring, the hole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 240, 247, 225));
    p.drawEllipse(QPointF(0, 0), radius * 0.33, radius * 0.33);
    p.setPen(QPen(QColor(150, 160, 178), std::max(0.6, radius / 60)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, 0), radius * 0.24, radius * 0.24);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(0, 0), radius * 0.12, radius * 0.12);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QPen(QColor(120, 130, 150), std::max(0.6, radius / 70)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, 0), radius * 0.12, radius * 0.12);
    p.setPen(QPen(QColor(110, 120, 140), std::max(0.8, radius / 50)));
    p.drawEllipse(outer.adjusted(0.5, 0.5, -0.5, -0.5));
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
    const QImage disc = discLayer(discSize, radius, scale);
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

// Reduces the opaque colours of `image` to at most `count` by splitting the fullest colour box
// along its widest channel at the median, box by box.
std::vector<QRgb> medianCut(const QImage& image, int count)
{
    std::vector<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) >= 128) colours.push_back(image.pixel(x, y) | 0xff000000u);
    struct Box {
        size_t begin, end;
    };
    std::vector<Box> boxes{{0, colours.size()}};
    auto channel = [](QRgb c, int k) { return k == 0 ? qRed(c) : k == 1 ? qGreen(c) : qBlue(c); };
    while (int(boxes.size()) < count) {
        int best = -1, bestChannel = 0, bestRange = 0;
        for (int b = 0; b < int(boxes.size()); ++b) {
            for (int k = 0; k < 3; ++k) {
                int lo = 255, hi = 0;
                for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
                    lo = std::min(lo, channel(colours[i], k));
                    hi = std::max(hi, channel(colours[i], k));
                }
                if (hi - lo > bestRange) {
                    best = b;
                    bestChannel = k;
                    bestRange = hi - lo;
                }
            }
        }
        if (best < 0) break;  // every box holds one colour only
        Box box = boxes[best];
        std::sort(colours.begin() + long(box.begin), colours.begin() + long(box.end),
                  [&](QRgb a, QRgb b) { return channel(a, bestChannel) < channel(b, bestChannel); });
        size_t middle = (box.begin + box.end) / 2;
        while (middle > box.begin &&
               channel(colours[middle - 1], bestChannel) == channel(colours[middle], bestChannel))
            --middle;
        if (middle == box.begin) middle = (box.begin + box.end) / 2;
        boxes[best] = {box.begin, middle};
        boxes.push_back({middle, box.end});
    }
    std::vector<QRgb> palette;
    for (const Box& box : boxes) {
        long r = 0, g = 0, b = 0;
        const long n = long(box.end - box.begin);
        for (size_t i = box.begin; i < box.end; ++i) {
            r += qRed(colours[i]);
            g += qGreen(colours[i]);
            b += qBlue(colours[i]);
        }
        if (n > 0) palette.push_back(qRgb(int(r / n), int(g / n), int(b / n)));
    }
    return palette;
}

// The icon as a palette image: index 0 is transparent, the rest the disc's colours.
QImage drawIcon()
{
    const int big = 256;
    QImage art(big, big, QImage::Format_ARGB32_Premultiplied);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        const QImage disc = discLayer(big, big / 2.0 - 6);
        p.drawImage(0, 0, disc);
        p.setPen(QPen(SkinLine, 5));
        p.setBrush(skinBrush(QPointF(20, 230), QPointF(110, 150)));
        p.drawPath(digit(QPointF(10, 246), -45, 120, 48));
    }
    const QImage small = art.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    const std::vector<QRgb> palette = medianCut(small, 255);
    QImage icon(32, 32, QImage::Format_Indexed8);
    QList<QRgb> table{qRgba(0, 0, 0, 0)};
    table.append(QList<QRgb>(palette.begin(), palette.end()));
    icon.setColorTable(table);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = small.pixel(x, y);
            int index = 0;
            if (qAlpha(c) >= 128) {
                int bestDistance = 1 << 30;
                for (int i = 1; i < int(table.size()); ++i) {
                    const int dr = qRed(c) - qRed(table[i]), dg = qGreen(c) - qGreen(table[i]),
                              db = qBlue(c) - qBlue(table[i]);
                    const int distance = dr * dr + dg * dg + db * db;
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        index = i;
                    }
                }
            }
            icon.setPixel(x, y, uint(index));
        }
    }
    return icon;
}

void put16(QByteArray& out, int v) { out.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); }

void put32(QByteArray& out, qint64 v)
{
    put16(out, int(v & 0xffff));
    put16(out, int((v >> 16) & 0xffff));
}

// A one-image .ico: an 8-bit device-independent bitmap, bottom row first, and its 1-bit mask.
QByteArray icoFile(const QImage& icon)
{
    const int w = icon.width(), h = icon.height();
    const int maskRow = ((w + 31) / 32) * 4;
    const int imageBytes = 40 + 256 * 4 + w * h + maskRow * h;
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    out.append(char(w)).append(char(h)).append(char(0)).append(char(0));
    put16(out, 1);
    put16(out, 8);
    put32(out, imageBytes);
    put32(out, 22);
    put32(out, 40);
    put32(out, w);
    put32(out, 2 * h);
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, w * h + maskRow * h);
    put32(out, 0);
    put32(out, 0);
    put32(out, 256);
    put32(out, 0);
    const QList<QRgb> table = icon.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < int(table.size()) ? table[i] : 0;
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
    }
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) out.append(char(icon.pixelIndex(x, y)));
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < w; ++x)
            if (icon.pixelIndex(x, y) == 0) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
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
    const QDir out(QString::fromLocal8Bit(argv[1]));
    drawBanner(out.filePath(QStringLiteral("banner.jpg")), 1);
    drawBanner(out.filePath(QStringLiteral("banner@2x.jpg")), 2);

    const QImage icon = drawIcon();
    if (!icon.save(out.filePath(QStringLiteral("icon.png")), "png")) {
        std::fprintf(stderr, "cannot write icon.png\n");
        return 1;
    }
    QFile ico(out.filePath(QStringLiteral("tessaline.ico")));
    const QByteArray bytes = icoFile(icon);
    if (!ico.open(QIODevice::WriteOnly) || ico.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write tessaline.ico\n");
        return 1;
    }
    return 0;
}
