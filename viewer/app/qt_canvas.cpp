// Raster canvas on QPainter over a QImage, smooth triangles by per-pixel interpolation, and
// picture files (24-bit bitmap, or PNG by name).
#include "qt_canvas.h"

#include "atomic_output.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QPolygon>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

QColor model_colour(int colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

qt_canvas::qt_canvas(QImage &image) : target(image), paint(&image)
{
    paint.setRenderHint(QPainter::Antialiasing, false);
    paint.setRenderHint(QPainter::TextAntialiasing, true);
    // About the height of the viewer's status texts (an 8-point sans face at 96 dpi).
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    paint.setFont(font);
    pen = QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    brush = QBrush(Qt::white, Qt::SolidPattern);
    font_colour = Qt::black;
    paint.setPen(pen);
    paint.setBrush(brush);
}

qt_canvas::~qt_canvas()
{
    paint.end();
}

// Pen styles: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none.
void qt_canvas::set_pen(int colour, int width, int style)
{
    static const Qt::PenStyle styles[6] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                           Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen};
    pen.setColor(model_colour(colour));
    pen.setWidth(width > 1 ? width : 1);
    pen.setStyle(style >= 0 && style < 6 ? styles[style] : Qt::SolidLine);
    paint.setPen(pen);
}

// Brush styles: 0 solid, 1 clear, 2 horizontal, 3 vertical, 4 forward and 5 backward diagonal.
void qt_canvas::set_brush(int colour, int style)
{
    static const Qt::BrushStyle styles[6] = {Qt::SolidPattern, Qt::NoBrush,      Qt::HorPattern,
                                             Qt::VerPattern,   Qt::FDiagPattern, Qt::BDiagPattern};
    brush.setColor(model_colour(colour));
    brush.setStyle(style >= 0 && style < 6 ? styles[style] : Qt::SolidPattern);
    paint.setBrush(brush);
}

void qt_canvas::set_font_colour(int colour)
{
    font_colour = model_colour(colour);
}

void qt_canvas::move_to(int x, int y)
{
    pen_x = x;
    pen_y = y;
}

void qt_canvas::line_to(int x, int y)
{
    paint.drawLine(pen_x, pen_y, x, y);
    pen_x = x;
    pen_y = y;
}

// Counter-clockwise from the ray through (x3, y3) to the ray through (x4, y4) about the box's
// centre; equal end points draw the whole ellipse. Arcs are not filled.
void qt_canvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const QRect box = QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized();
    paint.setBrush(Qt::NoBrush);
    if (x3 == x4 && y3 == y4) {
        paint.drawEllipse(box);
    } else {
        const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
        const double pi = 3.14159265358979323846;
        // Pixel rows grow downward, so the angle is measured against -y.
        const double a1 = std::atan2(-(y3 - cy), x3 - cx) * 180.0 / pi;
        const double a2 = std::atan2(-(y4 - cy), x4 - cx) * 180.0 / pi;
        double span = a2 - a1;
        while (span <= 0.0) span += 360.0;
        paint.drawArc(box, static_cast<int>(std::lround(a1 * 16.0)),
                      static_cast<int>(std::lround(span * 16.0)));
    }
    paint.setBrush(brush);
}

void qt_canvas::rectangle(int x1, int y1, int x2, int y2)
{
    const int left = x1 < x2 ? x1 : x2, right = x1 < x2 ? x2 : x1;
    const int top = y1 < y2 ? y1 : y2, bottom = y1 < y2 ? y2 : y1;
    if (right - left < 1 || bottom - top < 1) return;
    // A one-pixel pen around QRect(x, y, w, h) covers x..x+w: the rectangle covers left..right-1.
    paint.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void qt_canvas::polygon(const int *xy, int n)
{
    if (n < 1) return;
    QPolygon p(n);
    for (int i = 0; i < n; i++) p.setPoint(i, xy[2 * i], xy[2 * i + 1]);
    paint.drawPolygon(p);
}

int qt_canvas::text_width(const char *text)
{
    return QFontMetrics(paint.font()).horizontalAdvance(QString::fromLatin1(text));
}

int qt_canvas::text_height()
{
    return QFontMetrics(paint.font()).height();
}

// Each line of the text (split at newlines) below the previous one, on the brush colour unless
// the brush is clear.
void qt_canvas::text_out(int x, int y, const char *text)
{
    const QFontMetrics fm(paint.font());
    const QStringList lines = QString::fromLatin1(text).split(QLatin1Char('\n'));
    int top = y;
    for (const QString &line : lines) {
        if (brush.style() != Qt::NoBrush)
            paint.fillRect(QRect(x, top, fm.horizontalAdvance(line), fm.height()), brush.color());
        paint.setPen(font_colour);
        paint.drawText(x, top + fm.ascent(), line);
        top += fm.height();
    }
    paint.setPen(pen);
}

qt_smooth_surface::qt_smooth_surface(qt_canvas &canvas_, const t_grph &view_)
    : cv(canvas_), view(view_)
{
}

void qt_smooth_surface::set_projection(int, int, float, float, float, float) {}

void qt_smooth_surface::clear(float, float, float) {}

void qt_smooth_surface::flush() {}

// Vertices go to pixels through the view's to_pixel; every pixel (x, y) inside the triangle or
// on its edges takes the barycentric mix of the three colours.
void qt_smooth_surface::triangle(const float *xy, const float *rgb)
{
    int ix[3], iy[3];
    for (int k = 0; k < 3; k++) view.to_pixel(xy[2 * k], xy[2 * k + 1], ix[k], iy[k]);
    const double area = static_cast<double>(ix[1] - ix[0]) * (iy[2] - iy[0]) -
                        static_cast<double>(ix[2] - ix[0]) * (iy[1] - iy[0]);
    if (area == 0.0) return;
    const QImage *device = dynamic_cast<const QImage *>(cv.painter().device());
    const int w = device ? device->width() : view.surf_width;
    const int h = device ? device->height() : view.surf_height;
    int x0 = std::min({ix[0], ix[1], ix[2]}), x1 = std::max({ix[0], ix[1], ix[2]});
    int y0 = std::min({iy[0], iy[1], iy[2]}), y1 = std::max({iy[0], iy[1], iy[2]});
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > w - 1) x1 = w - 1;
    if (y1 > h - 1) y1 = h - 1;
    if (x0 > x1 || y0 > y1) return;

    QImage tile(x1 - x0 + 1, y1 - y0 + 1, QImage::Format_ARGB32);
    tile.fill(Qt::transparent);
    const double eps = 1e-9;
    for (int y = y0; y <= y1; y++) {
        auto *row = reinterpret_cast<QRgb *>(tile.scanLine(y - y0));
        for (int x = x0; x <= x1; x++) {
            // Barycentric weights of corners 0, 1, 2 at (x, y).
            const double w0 = (static_cast<double>(ix[1] - x) * (iy[2] - y) -
                               static_cast<double>(ix[2] - x) * (iy[1] - y)) /
                              area;
            const double w1 = (static_cast<double>(ix[2] - x) * (iy[0] - y) -
                               static_cast<double>(ix[0] - x) * (iy[2] - y)) /
                              area;
            const double w2 = 1.0 - w0 - w1;
            if (w0 < -eps || w1 < -eps || w2 < -eps) continue;
            int c[3];
            for (int r = 0; r < 3; r++) {
                const double v = w0 * rgb[r] + w1 * rgb[3 + r] + w2 * rgb[6 + r];
                c[r] = v > 0.0 ? (v < 1.0 ? static_cast<int>(255.0 * v) : 255) : 0;
            }
            row[x - x0] = qRgba(c[0], c[1], c[2], 255);
        }
    }
    cv.painter().drawImage(x0, y0, tile);
}

namespace
{
bool ends_with_png(const std::string &name)
{
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char &ch : tail) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return tail == ".png";
}

void put16(std::vector<unsigned char> &b, std::size_t at, unsigned v)
{
    b[at] = static_cast<unsigned char>(v & 0xFF);
    b[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void put32(std::vector<unsigned char> &b, std::size_t at, unsigned v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
} // namespace

// Bitmap: file header, 40-byte info header, 24 bits per pixel, rows bottom-up in blue, green,
// red order, each padded to a multiple of 4 bytes, no compression.
bool write_picture(const QImage &image, const std::string &file_name, std::string &why)
{
    if (image.isNull()) {
        why = "the picture is empty";
        return false;
    }
    if (ends_with_png(file_name)) {
        // Encoded in memory, then written like the bitmap: complete or not at all.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        atomic_file out;
        if (!image.save(&buffer, "PNG") || !out.open(file_name) ||
            std::fwrite(png.constData(), 1, static_cast<std::size_t>(png.size()), out.stream()) !=
                static_cast<std::size_t>(png.size()) ||
            !out.commit()) {
            why = "cannot write " + file_name;
            return false;
        }
        return true;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const unsigned w = static_cast<unsigned>(rgb.width()), h = static_cast<unsigned>(rgb.height());
    const unsigned row_bytes = (3 * w + 3) / 4 * 4;
    const unsigned data_bytes = row_bytes * h;
    std::vector<unsigned char> b(54 + static_cast<std::size_t>(data_bytes), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, 54 + data_bytes); // file size
    put32(b, 10, 54);             // offset of the pixels
    put32(b, 14, 40);             // info header size
    put32(b, 18, w);
    put32(b, 22, h); // positive: bottom-up rows
    put16(b, 26, 1); // planes
    put16(b, 28, 24);
    put32(b, 34, data_bytes);
    for (unsigned y = 0; y < h; y++) {
        const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(static_cast<int>(y)));
        unsigned char *dst = b.data() + 54 + static_cast<std::size_t>(h - 1 - y) * row_bytes;
        for (unsigned x = 0; x < w; x++) {
            dst[3 * x] = static_cast<unsigned char>(qBlue(src[x]));
            dst[3 * x + 1] = static_cast<unsigned char>(qGreen(src[x]));
            dst[3 * x + 2] = static_cast<unsigned char>(qRed(src[x]));
        }
    }
    // Under a temporary name until complete: a failed write keeps the previous picture.
    atomic_file out;
    if (!out.open(file_name)) {
        why = "cannot create " + file_name;
        return false;
    }
    if (std::fwrite(b.data(), 1, b.size(), out.stream()) != b.size() || !out.commit()) {
        why = "cannot write " + file_name;
        return false;
    }
    return true;
}
