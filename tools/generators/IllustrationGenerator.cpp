// Draws the two wizard illustrations (setup and system response) and writes them as PNGs.
//
// Usage: IllustrationGenerator <output folder>
// Writes <folder>/SetupIllustration.png and <folder>/SystemResponseIllustration.png.
//
// The figures are white outlines on a transparent background. Parts are drawn back to front on a
// layer of their own: before a part is outlined, its area is erased from the layer, so whatever lies
// behind it is hidden and the grey ellipse shows through its inside.

#include <juce_core/juce_core.h>
#include <juce_graphics/juce_graphics.h>

#include <cmath>
#include <initializer_list>
#include <iostream>
#include <vector>

namespace
{
constexpr int imageWidth = 2282;
constexpr int imageHeight = 2896;
constexpr float panelHeight = imageHeight / 2.0f;

constexpr float lineWidth = 12.0f;
constexpr float detailWidth = 9.0f;
constexpr float arrowWidth = 9.0f;
constexpr float textHeight = 100.0f;

const juce::Colour white { 0xffffffff };
const juce::Colour ellipseColour { 0x86ececec };

// Shared geometry of both panels, in panel coordinates (x to the right, y down, panel top at 0).
constexpr float earY = 724.0f;              // ear height (side view), listening axis (top view)
constexpr float ellipseCx = 1252.0f;
constexpr float ellipseRx = 1020.0f;
constexpr float ellipseRySide = 670.0f;
constexpr float ellipseRyTop = 640.0f;

constexpr float speakerBack = 640.0f;
constexpr float speakerFront = 840.0f;
constexpr float headX = 1670.0f;            // centre of the (seated) listener's head
constexpr float headRadius = 78.0f;
constexpr float faceX = headX - headRadius - 18.0f;   // nose tip
constexpr float verticalArrowX = 955.0f;    // where the ">1.25m" arrows leave the axis
constexpr float floorY = 1232.0f;
constexpr float tableTopLeft = 590.0f;   // table seen from above
constexpr float tableTopRight = 890.0f;
constexpr float seatedSeatX = headX - 40.0f;         // top view: seat centre
constexpr float seatedBackrestX = headX + 140.0f;    // top view: backrest centre line on the axis
constexpr float seatedKneeX = headX - 125.0f - 46.0f;
constexpr float seatedShoulderHalfWidth = 185.0f;

juce::Path capsule (juce::Point<float> a, juce::Point<float> b, float width)
{
    juce::Path centre;
    centre.startNewSubPath (a);
    centre.lineTo (b);
    juce::Path shape;
    juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded)
        .createStrokedPath (shape, centre);
    return shape;
}

juce::Path roundedRect (float x, float y, float w, float h, float corner)
{
    juce::Path p;
    p.addRoundedRectangle (x, y, w, h, corner);
    return p;
}

juce::Path ellipse (float cx, float cy, float rx, float ry)
{
    juce::Path p;
    p.addEllipse (cx - rx, cy - ry, 2.0f * rx, 2.0f * ry);
    return p;
}

juce::Path polygon (std::initializer_list<juce::Point<float>> points)
{
    juce::Path p;
    bool first = true;
    for (auto pt : points)
    {
        if (first)
            p.startNewSubPath (pt);
        else
            p.lineTo (pt);
        first = false;
    }
    p.closeSubPath();
    return p;
}

// A transparent layer on which outlined parts hide what lies behind them.
class FigureLayer
{
public:
    FigureLayer() : image (juce::Image::ARGB, imageWidth, imageHeight, true) {}

    // Outlines the union of the shapes as one silhouette, hiding everything behind it.
    void addPart (const std::vector<juce::Path>& shapes, float width = lineWidth)
    {
        erase (shapes);
        {
            juce::Graphics g (image);
            g.setColour (white);
            for (auto& s : shapes)
                g.strokePath (s, juce::PathStrokeType (2.0f * width, juce::PathStrokeType::curved));
        }
        erase (shapes);
    }

    void addPart (const juce::Path& shape, float width = lineWidth) { addPart (std::vector<juce::Path> { shape }, width); }

    // Lines drawn on top of the last part (details such as drivers or a nose line).
    void addDetail (const juce::Path& path, float width = detailWidth)
    {
        juce::Graphics g (image);
        g.setColour (white);
        g.strokePath (path, juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    }

    void addFilled (const juce::Path& path)
    {
        juce::Graphics g (image);
        g.setColour (white);
        g.fillPath (path);
    }

    juce::Image image;

private:
    void erase (const std::vector<juce::Path>& shapes)
    {
        juce::Rectangle<float> bounds;
        for (auto& s : shapes)
            bounds = bounds.getUnion (s.getBounds());

        auto area = bounds.getSmallestIntegerContainer().expanded (2).getIntersection (image.getBounds());
        if (area.isEmpty())
            return;

        juce::Image mask (juce::Image::SingleChannel, area.getWidth(), area.getHeight(), true);
        {
            juce::Graphics g (mask);
            g.setColour (white);
            auto shift = juce::AffineTransform::translation ((float) -area.getX(), (float) -area.getY());
            for (auto& s : shapes)
                g.fillPath (s, shift);
        }

        juce::Image::BitmapData maskData (mask, juce::Image::BitmapData::readOnly);
        juce::Image::BitmapData layerData (image, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                                           juce::Image::BitmapData::readWrite);

        for (int y = 0; y < area.getHeight(); ++y)
        {
            for (int x = 0; x < area.getWidth(); ++x)
            {
                auto coverage = (int) *maskData.getPixelPointer (x, y);
                if (coverage == 0)
                    continue;
                auto* pixel = reinterpret_cast<juce::PixelARGB*> (layerData.getPixelPointer (x, y));
                pixel->multiplyAlpha (255 - coverage);
            }
        }
    }
};

//==============================================================================
// Annotations, drawn straight onto the picture in panel coordinates.

class Panel
{
public:
    Panel (juce::Graphics& graphics, float top) : g (graphics), offset (juce::AffineTransform::translation (0.0f, top)) {}

    void fill (const juce::Path& p, juce::Colour c)
    {
        g.setColour (c);
        g.fillPath (p, offset);
    }

    // Dimension arrow with a head at both ends.
    void dimension (juce::Point<float> a, juce::Point<float> b)
    {
        juce::Line<float> line (a, b);
        auto headLength = 46.0f;
        auto headWidth = 40.0f;
        auto inner = juce::Line<float> (line.getPointAlongLine (headLength * 0.8f),
                                        line.getPointAlongLine (line.getLength() - headLength * 0.8f));
        juce::Path shaft;
        shaft.startNewSubPath (inner.getStart());
        shaft.lineTo (inner.getEnd());
        g.setColour (white);
        g.strokePath (shaft, juce::PathStrokeType (arrowWidth), offset);
        arrowHead (b, a, headLength, headWidth);
        arrowHead (a, b, headLength, headWidth);
    }

    void text (const juce::String& s, juce::Point<float> centre)
    {
        g.setColour (white);
        g.setFont (font());
        auto area = juce::Rectangle<float> (900.0f, textHeight).withCentre (centre).transformedBy (offset);
        g.drawText (s, area, juce::Justification::centred, false);
    }

    void verticalText (const juce::String& s, juce::Point<float> centre)
    {
        juce::Graphics::ScopedSaveState save (g);
        auto c = centre.transformedBy (offset);
        g.addTransform (juce::AffineTransform::rotation (-juce::MathConstants<float>::halfPi, c.x, c.y));
        g.setColour (white);
        g.setFont (font());
        g.drawText (s, juce::Rectangle<float> (900.0f, textHeight).withCentre (c), juce::Justification::centred, false);
    }

    static juce::Font font() { return juce::Font ("DejaVu Sans", textHeight, juce::Font::plain); }

private:
    void arrowHead (juce::Point<float> from, juce::Point<float> tip, float length, float width)
    {
        juce::Line<float> line (from, tip);
        auto base = line.getPointAlongLine (line.getLength() - length);
        auto dir = (tip - from) / line.getLength();
        juce::Point<float> normal (-dir.y, dir.x);
        juce::Path head;
        head.addTriangle (tip, base + normal * (width * 0.5f), base - normal * (width * 0.5f));
        g.setColour (white);
        g.fillPath (head, offset);
    }

    juce::Graphics& g;
    juce::AffineTransform offset;
};

float ellipseXAt (float dy, float ry, bool right)
{
    auto t = std::sqrt (juce::jmax (0.0f, 1.0f - (dy / ry) * (dy / ry)));
    return ellipseCx + (right ? 1.0f : -1.0f) * ellipseRx * t;
}

float ellipseYAt (float x, float ry, bool below)
{
    auto dx = (x - ellipseCx) / ellipseRx;
    auto t = std::sqrt (juce::jmax (0.0f, 1.0f - dx * dx));
    return earY + (below ? 1.0f : -1.0f) * ry * t;
}

// Where the distance labels go in one panel.
struct DimensionLayout
{
    float ry;                    // vertical radius of the panel's ellipse
    float listenerFront;         // end of the loudspeaker-listener arrow
    float labelLeft;             // the "1.25m-1.5m" label stays between these two
    float labelRight;
    float verticalX;             // x of the ">1.25m" arrows
    float verticalStart;         // their distance from the axis where they start
    bool verticalLabelsLeft;     // ">1.25m" left of its arrow, else right
    float behindListenerStart;   // start of the arrow behind the listener, 0 for none
};

// Arrows end a little short of what they point at.
void drawDimensions (Panel& panel, const DimensionLayout& d)
{
    constexpr float gap = 14.0f;
    constexpr float labelLift = 75.0f;

    auto left = ellipseXAt (0.0f, d.ry, false) + gap;
    panel.dimension ({ speakerBack - gap, earY }, { left, earY });
    panel.text (">0.75m", { (left + speakerBack) * 0.5f, earY - labelLift });

    panel.dimension ({ speakerFront + gap, earY }, { d.listenerFront - gap, earY });
    auto labelLeft = d.verticalX < d.labelRight && d.verticalX > speakerFront ? d.verticalX + 12.0f : d.labelLeft;
    panel.text ("1.25m-1.5m", { (labelLeft + d.labelRight) * 0.5f, earY - labelLift });

    if (d.behindListenerStart > 0.0f)
    {
        auto right = ellipseXAt (0.0f, d.ry, true) - gap;
        panel.dimension ({ d.behindListenerStart + gap, earY }, { right, earY });
        panel.text (">0.75m", { (d.behindListenerStart + right) * 0.5f, earY - labelLift });
    }

    auto top = ellipseYAt (d.verticalX, d.ry, false) + gap;
    auto bottom = ellipseYAt (d.verticalX, d.ry, true) - gap;
    auto start = d.verticalStart > 0.0f ? d.verticalStart + gap : arrowWidth * 0.5f;
    panel.dimension ({ d.verticalX, earY - start }, { d.verticalX, top });
    panel.dimension ({ d.verticalX, earY + start }, { d.verticalX, bottom });

    auto labelX = d.verticalX + (d.verticalLabelsLeft ? -200.0f : 200.0f);
    panel.text (">1.25m", { labelX, (earY - start + top) * 0.5f });
    panel.text (">1.25m", { labelX, (earY + start + bottom) * 0.5f });
}

//==============================================================================
// Figures. Each function adds its parts to a layer, in panel coordinates shifted by `top`.

struct Shift
{
    float top;
    float dx = 0.0f;
    juce::Path operator() (juce::Path p) const
    {
        p.applyTransform (juce::AffineTransform::translation (dx, top));
        return p;
    }
};

juce::Point<float> pt (float x, float y) { return { x, y }; }

// Loudspeaker cut open from the side: box, tweeter and woofer cones with their magnets, on a table.
void speakerSide (FigureLayer& layer, Shift s)
{
    constexpr float tableTop = 990.0f;
    layer.addPart (s (capsule (pt (620, tableTop + 30), pt (620, floorY - 12), 30)));
    layer.addPart (s (capsule (pt (860, tableTop + 30), pt (860, floorY - 12), 30)));
    layer.addPart (s (roundedRect (580, tableTop, 320, 34, 8)));

    layer.addPart (s (roundedRect (speakerBack, 598, speakerFront - speakerBack, tableTop - 598, 16)));

    const float tweeterY = earY - 14.0f;
    layer.addDetail (s (polygon ({ pt (speakerFront - 6, tweeterY - 42), pt (speakerFront - 40, tweeterY - 16),
                                   pt (speakerFront - 40, tweeterY + 16), pt (speakerFront - 6, tweeterY + 42) })));
    layer.addDetail (s (roundedRect (speakerFront - 70, tweeterY - 22, 30, 44, 4)));

    const float wooferY = 870.0f;
    layer.addDetail (s (polygon ({ pt (speakerFront - 6, wooferY - 84), pt (speakerFront - 72, wooferY - 28),
                                   pt (speakerFront - 72, wooferY + 28), pt (speakerFront - 6, wooferY + 84) })));
    layer.addDetail (s (roundedRect (speakerFront - 112, wooferY - 36, 40, 72, 6)));
}

// Loudspeaker and table from above.
void speakerTop (FigureLayer& layer, Shift s)
{
    layer.addPart (s (roundedRect (tableTopLeft, earY - 200, tableTopRight - tableTopLeft, 400, 14)));
    layer.addPart (s (roundedRect (speakerBack, earY - 130, speakerFront - speakerBack, 260, 16)));
    layer.addDetail (s (polygon ({ pt (speakerFront - 6, earY - 84), pt (speakerFront - 72, earY - 28),
                                   pt (speakerFront - 72, earY + 28), pt (speakerFront - 6, earY + 84) })));
    layer.addDetail (s (roundedRect (speakerFront - 112, earY - 36, 40, 72, 6)));
}

// Head in profile facing left, with nose, eye and ear.
void headSide (FigureLayer& layer, Shift s, float cx, float cy)
{
    auto nose = polygon ({ pt (cx - headRadius + 6, cy - 34), pt (cx - headRadius - 22, cy + 6), pt (cx - headRadius + 4, cy + 12) });
    layer.addPart ({ s (ellipse (cx, cy, headRadius, headRadius)), s (nose) });
    layer.addFilled (s (ellipse (cx - 42, cy - 18, 8, 8)));
    layer.addDetail (s (ellipse (cx + 14, cy + 4, 14, 22)));
}

// Head from above facing left: nose and ears show the direction.
void headTop (FigureLayer& layer, Shift s, float cx, float cy)
{
    auto nose = polygon ({ pt (cx - headRadius + 8, cy - 20), pt (cx - headRadius - 24, cy), pt (cx - headRadius + 8, cy + 20) });
    layer.addPart ({ s (ellipse (cx + 4, cy - headRadius + 2, 14, 20)), s (ellipse (cx + 4, cy + headRadius - 2, 14, 20)) });
    layer.addPart ({ s (ellipse (cx, cy, headRadius, headRadius)), s (nose) });
}

// Swivel chair from the side: backrest, seat, central column, base with casters.
void chairSide (FigureLayer& layer, Shift s, float seatY)
{
    layer.addPart (s (ellipse (1640, floorY - 17, 17, 17)));
    layer.addPart (s (ellipse (1860, floorY - 17, 17, 17)));
    layer.addPart (s (roundedRect (1625, floorY - 58, 250, 26, 10)));
    layer.addPart (s (roundedRect (1733, seatY + 30, 34, floorY - 58 - seatY - 30, 6)));
    layer.addPart (s (capsule (pt (1855, seatY + 10), pt (1868, 900), 22)));
    layer.addPart (s (roundedRect (1838, 800, 46, 190, 18)));
    layer.addPart (s (roundedRect (1630, seatY, 250, 40, 14)));
}

// Swivel chair from above: the five feet of the base, seat and backrest.
void chairTop (FigureLayer& layer, Shift s, float cx, float cy, float backX)
{
    std::vector<juce::Path> base;
    for (int i = 0; i < 5; ++i)
    {
        // one foot points straight back, under the backrest, so none sits in front of the knees
        auto angle = juce::MathConstants<float>::twoPi * (float) i / 5.0f;
        auto end = pt (cx + 160.0f * std::cos (angle), cy + 160.0f * std::sin (angle));
        base.push_back (s (capsule ({ cx, cy }, end, 30)));
        base.push_back (s (ellipse (end.x, end.y, 18, 18)));
    }
    layer.addPart (base);
    layer.addPart (s (roundedRect (cx - 125, cy - 130, 250, 260, 50)));
    constexpr float radius = 200.0f;
    juce::Path back;
    back.addCentredArc (backX - radius, cy, radius, 190.0f, 0.0f, juce::MathConstants<float>::pi * 0.25f,
                        juce::MathConstants<float>::pi * 0.75f, true);
    juce::Path backShape;
    juce::PathStrokeType (40.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded).createStrokedPath (backShape, back);
    layer.addPart (s (backShape));
}

void seatedPersonSide (FigureLayer& layer, Shift panel)
{
    // Drawn with the head at x = 1695, then moved to headX.
    constexpr float drawnHeadX = 1695.0f;
    const Shift s { panel.top, headX - drawnHeadX };
    chairSide (layer, s, 1052.0f);
    layer.addPart ({ s (capsule (pt (drawnHeadX + 10, earY + 60), pt (drawnHeadX + 16, 840), 56)),
                     s (roundedRect (drawnHeadX - 50, 808, 150, 230, 60)) });
    headSide (layer, s, drawnHeadX, earY);
    layer.addPart ({ s (capsule (pt (1742, 1000), pt (1490, 1004), 96)),
                     s (capsule (pt (1490, 1004), pt (1498, floorY - 28), 78)),
                     s (capsule (pt (1505, floorY - 22), pt (1430, floorY - 20), 44)) });
    layer.addPart ({ s (capsule (pt (1725, 860), pt (1700, 975), 62)),
                     s (capsule (pt (1700, 975), pt (1575, 972), 54)) });
}

void seatedPersonTop (FigureLayer& layer, Shift s)
{
    chairTop (layer, s, seatedSeatX, earY, seatedBackrestX);
    layer.addPart ({ s (capsule (pt (headX + 40, earY - 60), pt (headX - 125, earY - 64), 92)),
                     s (capsule (pt (headX + 40, earY + 60), pt (headX - 125, earY + 64), 92)) });
    layer.addPart (s (roundedRect (headX - 60, earY - seatedShoulderHalfWidth, 150, 2 * seatedShoulderHalfWidth, 70)));
    headTop (layer, s, headX, earY);
}

// A microphone capsule seen from its side: a ring with its opening in the middle.
juce::Path microphone (float cx, float cy) { return ellipse (cx, cy, 30, 30); }

// The two microphones held on a short rod where the seated head was; from the side they coincide.
void microphonesSide (FigureLayer& layer, Shift s, float handX)
{
    layer.addPart (s (capsule (pt (headX + 20, earY), pt (handX, earY), 20)));
    layer.addPart (s (microphone (headX, earY)));
    layer.addFilled (s (ellipse (headX, earY, 10, 10)));
}

// From above the rod ends in a cross-bar with one microphone at each ear position.
void microphonesTop (FigureLayer& layer, Shift s, float handX)
{
    layer.addPart ({ s (capsule (pt (headX, earY), pt (handX, earY), 20)),
                     s (capsule (pt (headX, earY - 80), pt (headX, earY + 80), 20)) });
    for (auto y : { earY - 80.0f, earY + 80.0f })
    {
        layer.addPart (s (microphone (headX, y)));
        layer.addFilled (s (ellipse (headX, y, 10, 10)));
    }
}

constexpr float standX = 1880.0f;
constexpr float standHandX = 1735.0f;

void standingPersonSide (FigureLayer& layer, Shift s)
{
    constexpr float headY = 548.0f;
    layer.addPart ({ s (capsule (pt (standX + 10, 940), pt (standX + 24, floorY - 26), 72)),
                     s (capsule (pt (standX + 30, floorY - 22), pt (standX - 44, floorY - 20), 44)) });
    layer.addPart ({ s (capsule (pt (standX - 6, 940), pt (standX - 26, floorY - 26), 72)),
                     s (capsule (pt (standX - 20, floorY - 22), pt (standX - 96, floorY - 20), 44)) });
    layer.addPart ({ s (capsule (pt (standX + 8, headY + 60), pt (standX + 12, 650), 56)),
                     s (roundedRect (standX - 65, 628, 150, 340, 60)) });
    headSide (layer, s, standX, headY);
    microphonesSide (layer, s, standHandX);
    layer.addPart ({ s (capsule (pt (standX - 6, 680), pt (standX - 80, earY - 10), 58)),
                     s (capsule (pt (standX - 80, earY - 10), pt (standHandX + 6, earY), 52)),
                     s (ellipse (standHandX + 4, earY, 30, 30)) });
}

void standingPersonTop (FigureLayer& layer, Shift s)
{
    // Standing beside the axis, facing the loudspeaker, the right arm held out along the axis.
    constexpr float bodyY = earY + 150.0f;
    microphonesTop (layer, s, standHandX);
    layer.addPart ({ s (capsule (pt (standX, earY + 4), pt (standHandX + 10, earY), 56)),
                     s (ellipse (standHandX + 4, earY, 30, 30)) });
    layer.addPart (s (roundedRect (standX - 65, bodyY - 185, 150, 370, 70)));
    headTop (layer, s, standX, bodyY);
}

//==============================================================================

enum class Kind { setup, systemResponse };

juce::Image drawIllustration (Kind kind)
{
    juce::Image image (juce::Image::ARGB, imageWidth, imageHeight, true);
    FigureLayer figures;

    const Shift side { 0.0f };
    const Shift top { panelHeight };

    speakerSide (figures, side);
    speakerTop (figures, top);

    if (kind == Kind::setup)
    {
        seatedPersonSide (figures, side);
        seatedPersonTop (figures, top);
    }
    else
    {
        standingPersonSide (figures, side);
        standingPersonTop (figures, top);
    }

    juce::Graphics g (image);
    Panel sidePanel (g, 0.0f);
    Panel topPanel (g, panelHeight);

    sidePanel.fill (ellipse (ellipseCx, earY, ellipseRx, ellipseRySide), ellipseColour);
    topPanel.fill (ellipse (ellipseCx, earY, ellipseRx, ellipseRyTop), ellipseColour);

    g.setOpacity (1.0f);   // drawImageAt uses the current colour's opacity
    g.drawImageAt (figures.image, 0, 0);

    const bool setup = kind == Kind::setup;
    const float listenerFront = setup ? faceX : headX - 40.0f;
    drawDimensions (sidePanel, { ellipseRySide, listenerFront, speakerFront, listenerFront, verticalArrowX, 0.0f, false,
                                 setup ? headX + headRadius : 0.0f });
    // From above the knees come first.
    const float topListenerFront = setup ? seatedKneeX : listenerFront;
    drawDimensions (topPanel, { ellipseRyTop, topListenerFront, tableTopRight + 20.0f, topListenerFront, headX,
                                setup ? seatedShoulderHalfWidth + lineWidth : 80.0f + 30.0f + lineWidth * 0.5f, true,
                                setup ? seatedBackrestX + 20.0f + lineWidth : 0.0f });

    sidePanel.verticalText ("side view", { 105.0f, earY });
    topPanel.verticalText ("top view", { 105.0f, earY });

    return image;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out (file);
    if (! out.openedOk())
        return false;
    juce::PNGImageFormat png;
    return png.writeImageToStream (image, out);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: IllustrationGenerator <output folder>\n";
        return 2;
    }

    juce::File folder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    if (! folder.createDirectory())
    {
        std::cerr << "cannot create " << folder.getFullPathName() << "\n";
        return 1;
    }

    struct Output { Kind kind; const char* name; };
    for (auto output : { Output { Kind::setup, "SetupIllustration.png" },
                         Output { Kind::systemResponse, "SystemResponseIllustration.png" } })
    {
        auto file = folder.getChildFile (output.name);
        if (! writePng (drawIllustration (output.kind), file))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
        std::cout << file.getFullPathName() << "\n";
    }
    return 0;
}
