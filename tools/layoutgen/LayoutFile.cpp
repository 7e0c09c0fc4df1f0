#include "LayoutFile.h"

#include <cmath>

#include "SwfWriter.h"

namespace {

enum Tag : int32_t { kEnd = 0, kShowFrame = 1, kSetBackgroundColor = 9, kPlaceObject2 = 26, kDefineShape3 = 32 };
constexpr double kCornerRadius = 3.0; // units, fields' rounded corners

int32_t twips(double units)
{
    return static_cast<int32_t>(std::lround(units * LayoutFile::kTwipsPerUnit));
}

// Outlines, pen moves relative to the last point written.
struct Pen {
    SwfWriter& out;
    int32_t fillBits;
    int32_t x = 0, y = 0;
    void move(double ux, double uz, int32_t fill0, int32_t fill1)
    {
        x = twips(ux);
        y = twips(uz);
        out.moveTo(x, y, fill0, fill1, fillBits);
    }
    void line(double ux, double uz)
    {
        int32_t nx = twips(ux), ny = twips(uz);
        if (nx != x || ny != y)
            out.lineBy(nx - x, ny - y);
        x = nx;
        y = ny;
    }
    void curve(double cx, double cz, double ax, double az)
    {
        int32_t c1 = twips(cx), c2 = twips(cz), a1 = twips(ax), a2 = twips(az);
        out.curveBy(c1 - x, c2 - y, a1 - c1, a2 - c2);
        x = a1;
        y = a2;
    }
};

// A field's corners in order, the inside to the left of the way round (with
// y down), as fill 1 wants it.
void fieldCorners(const Landscape::Field& f, double px[4], double pz[4])
{
    double c = std::cos(f.angle), s = std::sin(f.angle);
    const double u[4] = {-f.halfW, f.halfW, f.halfW, -f.halfW}, v[4] = {f.halfL, f.halfL, -f.halfL, -f.halfL};
    for (int32_t k = 0; k < 4; k++) {
        px[k] = f.cx + u[k] * c - v[k] * s;
        pz[k] = f.cz + u[k] * s + v[k] * c;
    }
    double area = 0;
    for (int32_t k = 0; k < 4; k++)
        area += px[k] * pz[(k + 1) & 3] - px[(k + 1) & 3] * pz[k];
    if (area > 0) {
        std::swap(px[1], px[3]);
        std::swap(pz[1], pz[3]);
    }
}

} // namespace

std::vector<uint8_t> LayoutFile::build(const Landscape& land, const BandMap& map, const ContourTracer& tracer)
{
    const auto& styles = map.styles();
    int32_t fillBits = SwfWriter::signedBits(static_cast<int32_t>(styles.size())) - 1;
    SwfWriter shape;
    shape.u16(1); // shape id
    shape.rect(0, kFrame, 0, kFrame);
    shape.u8(static_cast<uint32_t>(styles.size()));
    for (const BandMap::Style& s : styles) {
        uint32_t rgb = BandMap::colour(s);
        shape.u8(0x00); // solid
        shape.u8(rgb >> 16 & 255);
        shape.u8(rgb >> 8 & 255);
        shape.u8(rgb & 255);
        shape.u8(255);
    }
    shape.u8(0); // no line styles
    shape.bits(static_cast<uint32_t>(fillBits), 4);
    shape.bits(0, 4);
    Pen pen{shape, fillBits};
    for (const ContourTracer::Chain& chain : tracer.chains()) {
        pen.move(chain.points[0].x, chain.points[0].z, chain.fill0, chain.fill1);
        for (size_t k = 1; k < chain.points.size(); k++)
            pen.line(chain.points[k].x, chain.points[k].z);
    }
    const auto& fields = land.fields();
    for (size_t k = 0; k < fields.size(); k++) {
        const Landscape::Field& f = fields[k];
        double px[4], pz[4];
        fieldCorners(f, px, pz);
        auto towards = [&](int32_t from, int32_t to, double d, double& x, double& z) {
            double len = std::hypot(px[to] - px[from], pz[to] - pz[from]);
            x = px[from] + (px[to] - px[from]) * d / len;
            z = pz[from] + (pz[to] - pz[from]) * d / len;
        };
        int32_t outside = map.style(static_cast<int32_t>(std::lround(f.cx / Landscape::kStep)),
                                    static_cast<int32_t>(std::lround(f.cz / Landscape::kStep)));
        double x, z;
        towards(0, 1, kCornerRadius, x, z);
        pen.move(x, z, outside, map.fieldStyle(k));
        for (int32_t c = 1; c <= 4; c++) {
            int32_t corner = c & 3, next = (c + 1) & 3;
            towards(corner, c - 1, kCornerRadius, x, z);
            pen.line(x, z);
            double ax, az;
            towards(corner, next, kCornerRadius, ax, az);
            pen.curve(px[corner], pz[corner], ax, az);
        }
    }
    shape.endShape();

    SwfWriter tags;
    tags.tag(kSetBackgroundColor, {0x58, 0x80, 0x40});
    tags.tag(kDefineShape3, shape.bytes(), true);
    tags.tag(kPlaceObject2, {0x02, 1, 0, 1, 0}); // a character at depth 1: shape 1
    tags.tag(kShowFrame, {});
    tags.tag(kEnd, {});
    return SwfWriter::file(8, kFrame, kFrame, tags.bytes());
}
