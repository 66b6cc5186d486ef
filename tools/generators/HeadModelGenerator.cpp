// Generates resources/HeadModel.obj, the head that the head view draws: a cranium with face,
// nose, lips and ears, two eyeballs with pupils in eye openings, and eight incisors behind a
// mouth opening. Everything is made of quads on deformed spheres and boxes, so the whole model
// is one smooth-shaded object. The model faces +z with +y up.
//
// Usage: HeadModelGenerator [output.obj]   (default: resources/HeadModel.obj)

#include <juce_core/juce_core.h>

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <tuple>
#include <string>
#include <vector>

namespace
{
using V2 = Eigen::Vector2d;
using V3 = Eigen::Vector3d;

constexpr double pi = 3.14159265358979323846;

double radians (double degrees) { return degrees * pi / 180.0; }

//==============================================================================
// Materials, in the order their faces are written.
enum Material { skin = 0, eyeball, pupil, teeth, numMaterials };
const char* const materialNames[] = { "Skin_and_mouthCavity.001", "Eyeball.001", "Pupil.001", "Teeth.001" };

// Target extent of the model.
constexpr double xMax = 2.228, yMin = -2.428, yMax = 2.047, zMin = -2.014, zMax = 2.026;

//==============================================================================
// A quad corner: the part's vertex and its texture coordinate. Corners that share a vertex and
// a coordinate share one "vt" line.
struct Corner
{
    int vertex;
    V2 uv;
};

struct Quad
{
    std::array<Corner, 4> corners;
    Material material;
};

struct Part
{
    std::vector<V3> positions;
    std::vector<Quad> quads;
};

//==============================================================================
// The topology of a quad sphere: an n x n grid over each pole, and rings of 4n quads between
// them. Each vertex carries its polar angle (from +y) and azimuth (from +z towards +x).
struct SphereGrid
{
    struct Vertex
    {
        double theta = 0.0, phi = 0.0;
        int ring = -1, column = -1;      // ring vertices
        int cap = -1, i = -1, j = -1;    // cap vertices (0 top, 1 bottom); boundary ones are ring vertices
    };

    struct Face
    {
        std::array<int, 4> v;
        int ring = -1, column = -1;      // ring quads: between ring and ring + 1, column and column + 1
        int cap = -1;
    };

    int n = 0, rings = 0;
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    std::vector<std::vector<int>> ringVertex;  // [ring][column]
};

// Perimeter position of a cap grid point, counter-clockwise, shifted so that column 0 of the
// rings meets the middle of the grid's first edge.
int perimeterPosition (int n, int i, int j)
{
    int k = 0;
    if (j == 0)          k = i;
    else if (i == n)     k = n + j;
    else if (j == n)     k = 2 * n + (n - i);
    else                 k = 3 * n + (n - j);
    return ((k - n / 2) % (4 * n) + 4 * n) % (4 * n);
}

double wrapAngle (double a)
{
    while (a <= -pi) a += 2.0 * pi;
    while (a > pi)   a -= 2.0 * pi;
    return a;
}

// thetas: rings + 1 polar angles of the ring rows; phis: 4n increasing azimuths within one turn.
SphereGrid makeSphereGrid (int n, const std::vector<double>& thetas, const std::vector<double>& phis)
{
    SphereGrid g;
    g.n = n;
    g.rings = (int) thetas.size() - 1;
    const int columns = 4 * n;
    jassert ((int) phis.size() == columns);

    g.ringVertex.assign ((size_t) g.rings + 1, std::vector<int> ((size_t) columns));

    for (int r = 0; r <= g.rings; ++r)
    {
        for (int k = 0; k < columns; ++k)
        {
            SphereGrid::Vertex v;
            v.theta = thetas[(size_t) r];
            v.phi = wrapAngle (phis[(size_t) k]);
            v.ring = r;
            v.column = k;
            g.ringVertex[(size_t) r][(size_t) k] = (int) g.vertices.size();
            g.vertices.push_back (v);
        }
    }

    for (int r = 0; r < g.rings; ++r)
    {
        for (int k = 0; k < columns; ++k)
        {
            const int k1 = (k + 1) % columns;
            SphereGrid::Face f;
            f.v = { g.ringVertex[(size_t) r][(size_t) k], g.ringVertex[(size_t) r + 1][(size_t) k],
                    g.ringVertex[(size_t) r + 1][(size_t) k1], g.ringVertex[(size_t) r][(size_t) k1] };
            f.ring = r;
            f.column = k;
            g.faces.push_back (f);
        }
    }

    // Azimuth along the perimeter, continuous in the perimeter parameter.
    auto phiAtPerimeter = [&] (double kappa)
    {
        const double k0 = std::floor (kappa);
        const double f = kappa - k0;
        const int a = ((int) k0 % columns + columns) % columns;
        const int b = (a + 1) % columns;
        double pa = phis[(size_t) a], pb = phis[(size_t) b];
        if (pb < pa) pb += 2.0 * pi;
        return pa + f * (pb - pa);
    };

    for (int cap = 0; cap < 2; ++cap)
    {
        const int ring = cap == 0 ? 0 : g.rings;
        const double capRadius = cap == 0 ? thetas.front() : pi - thetas.back();

        // Cap points in the azimuthal plane: P = radius * (sin phi, -cos phi).
        std::vector<std::vector<V2>> p ((size_t) n + 1, std::vector<V2> ((size_t) n + 1));
        std::vector<std::vector<int>> index ((size_t) n + 1, std::vector<int> ((size_t) n + 1, -1));

        for (int i = 0; i <= n; ++i)
        {
            for (int j = 0; j <= n; ++j)
            {
                const double s = 2.0 * i / n - 1.0, t = 2.0 * j / n - 1.0;
                const double rho = std::max (std::abs (s), std::abs (t));

                if (rho == 0.0)
                {
                    p[(size_t) i][(size_t) j] = V2::Zero();
                    continue;
                }

                // Perimeter parameter of the point's concentric square, continuous along edges.
                const double bs = s / rho, bt = t / rho;
                double kappa;
                if (bt <= -1.0 + 1e-12)      kappa = (bs + 1.0) * 0.5 * n;
                else if (bs >= 1.0 - 1e-12)  kappa = n + (bt + 1.0) * 0.5 * n;
                else if (bt >= 1.0 - 1e-12)  kappa = 2 * n + (1.0 - bs) * 0.5 * n;
                else                         kappa = 3 * n + (1.0 - bt) * 0.5 * n;
                kappa -= n / 2;

                const double phi = phiAtPerimeter (kappa);
                p[(size_t) i][(size_t) j] = rho * capRadius * V2 (std::sin (phi), -std::cos (phi));
            }
        }

        // Boundary points sit exactly on the ring.
        for (int i = 0; i <= n; ++i)
        {
            for (int j = 0; j <= n; ++j)
            {
                if (i == 0 || j == 0 || i == n || j == n)
                {
                    const int k = perimeterPosition (n, i, j);
                    const double phi = phis[(size_t) k];
                    p[(size_t) i][(size_t) j] = capRadius * V2 (std::sin (phi), -std::cos (phi));
                    index[(size_t) i][(size_t) j] = g.ringVertex[(size_t) ring][(size_t) k];
                }
            }
        }

        // Relax the interior into an even grid.
        for (int iteration = 0; iteration < 400; ++iteration)
        {
            auto next = p;
            for (int i = 1; i < n; ++i)
                for (int j = 1; j < n; ++j)
                    next[(size_t) i][(size_t) j] = 0.25 * (p[(size_t) i - 1][(size_t) j] + p[(size_t) i + 1][(size_t) j]
                                                           + p[(size_t) i][(size_t) j - 1] + p[(size_t) i][(size_t) j + 1]);
            p = next;
        }

        // Uneven columns pull the grid's centre off the pole; move it back, fading the shift
        // out towards the fixed boundary, so that the pole is a vertex.
        const V2 centreOffset = p[(size_t) n / 2][(size_t) n / 2];
        for (int i = 1; i < n; ++i)
            for (int j = 1; j < n; ++j)
            {
                const double rho = std::max (std::abs (2.0 * i / n - 1.0), std::abs (2.0 * j / n - 1.0));
                p[(size_t) i][(size_t) j] -= (1.0 - rho) * centreOffset;
            }

        // Keep the left-right mirror exact, so the model is exactly symmetric.
        for (int i = 1; i < n; ++i)
        {
            for (int j = 1; j < n; ++j)
            {
                auto& a = p[(size_t) i][(size_t) j];
                auto& b = p[(size_t) (n - i)][(size_t) j];
                const double x = 0.5 * (a.x() - b.x()), y = 0.5 * (a.y() + b.y());
                a = V2 (x, y);
                b = V2 (-x, y);
                if (2 * i == n)
                    a.x() = 0.0;
            }
        }

        for (int i = 1; i < n; ++i)
        {
            for (int j = 1; j < n; ++j)
            {
                const auto& q = p[(size_t) i][(size_t) j];
                SphereGrid::Vertex v;
                const double radius = q.norm();
                v.theta = cap == 0 ? radius : pi - radius;
                v.phi = radius > 0.0 ? std::atan2 (q.x(), -q.y()) : 0.0;
                v.cap = cap;
                v.i = i;
                v.j = j;
                index[(size_t) i][(size_t) j] = (int) g.vertices.size();
                g.vertices.push_back (v);
            }
        }

        for (int i = 0; i < n; ++i)
        {
            for (int j = 0; j < n; ++j)
            {
                SphereGrid::Face f;
                const int a = index[(size_t) i][(size_t) j], b = index[(size_t) i + 1][(size_t) j];
                const int c = index[(size_t) i + 1][(size_t) j + 1], d = index[(size_t) i][(size_t) j + 1];
                // Seen from outside, the azimuth turns counter-clockwise over the top pole and
                // clockwise over the bottom one.
                f.v = cap == 0 ? std::array<int, 4> { a, b, c, d } : std::array<int, 4> { a, d, c, b };
                f.cap = cap;
                g.faces.push_back (f);
            }
        }
    }

    return g;
}

V3 direction (double theta, double phi)
{
    return { std::sin (theta) * std::sin (phi), std::cos (theta), std::sin (theta) * std::cos (phi) };
}

// n + 1 values from a to b, spaced by the given density.
std::vector<double> spacedByDensity (double a, double b, int n, const std::function<double (double)>& density)
{
    constexpr int samples = 20000;
    std::vector<double> cumulative (samples + 1, 0.0);
    for (int s = 1; s <= samples; ++s)
    {
        const double x = a + (b - a) * (s - 0.5) / samples;
        cumulative[(size_t) s] = cumulative[(size_t) s - 1] + density (x);
    }

    std::vector<double> result;
    for (int r = 0; r <= n; ++r)
    {
        const double target = cumulative.back() * r / n;
        const auto it = std::lower_bound (cumulative.begin(), cumulative.end(), target);
        const int s = (int) std::distance (cumulative.begin(), it);
        if (s == 0) { result.push_back (a); continue; }
        const double c0 = cumulative[(size_t) s - 1], c1 = cumulative[(size_t) s];
        const double f = c1 > c0 ? (target - c0) / (c1 - c0) : 0.0;
        result.push_back (a + (b - a) * (s - 1 + f) / samples);
    }
    result.front() = a;
    result.back() = b;
    return result;
}

double smoothStep (double e0, double e1, double x)
{
    const double t = std::clamp ((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

//==============================================================================
// Implicit shapes: negative inside.
double ellipsoid (const V3& p, const V3& c, const V3& r)
{
    const V3 q = (p - c).cwiseQuotient (r);
    const double k0 = q.norm();
    const double k1 = (p - c).cwiseQuotient (r.cwiseProduct (r)).norm();
    return k1 > 0.0 ? k0 * (k0 - 1.0) / k1 : -r.minCoeff();
}

double sphere (const V3& p, const V3& c, double r) { return (p - c).norm() - r; }

double roundCone (const V3& p, const V3& a, const V3& b, double ra, double rb)
{
    const V3 ab = b - a;
    const double h = std::clamp ((p - a).dot (ab) / ab.squaredNorm(), 0.0, 1.0);
    return (p - a - h * ab).norm() - (ra + (rb - ra) * h);
}

double smoothMin (double a, double b, double k)
{
    const double h = std::max (k - std::abs (a - b), 0.0) / k;
    return std::min (a, b) - h * h * k * 0.25;
}

double smoothMax (double a, double b, double k) { return -smoothMin (-a, -b, k); }

//==============================================================================
struct FaceLayout
{
    V3 rayOrigin { 0.0, -0.1, 0.0 };
    V3 eyeCentre[2];
    double eyeRadius = 0.33;
    V3 mouthCentre;
};

double headField (const V3& p, const FaceLayout& f)
{
    double d = ellipsoid (p, { 0.0, 0.30, -0.22 }, { 1.70, 1.76, 1.80 });                 // cranium
    d = smoothMin (d, ellipsoid (p, { 0.0, -0.50, 0.50 }, { 1.36, 1.40, 1.08 }), 0.5);    // mid face
    d = smoothMin (d, ellipsoid (p, { 0.0, -1.22, 0.48 }, { 1.22, 1.08, 1.00 }), 0.8);    // jaw
    d = smoothMin (d, ellipsoid (p, { 0.0, -1.90, 0.86 }, { 0.56, 0.46, 0.46 }), 0.35);   // chin

    for (double side : { -1.0, 1.0 })
    {
        d = smoothMin (d, ellipsoid (p, { side * 0.86, -0.58, 0.98 }, { 0.56, 0.46, 0.50 }), 0.3);  // cheek
        d = smoothMin (d, roundCone (p, { 0.0, 0.34, 1.50 }, { side * 0.98, 0.30, 1.16 }, 0.15, 0.13), 0.25);  // brow
        d = smoothMin (d, sphere (p, { side * 0.20, -0.74, 1.66 }, 0.15), 0.12);                  // nostril wing
    }

    for (const auto& e : f.eyeCentre)
        d = smoothMin (d, sphere (p, e, f.eyeRadius + 0.07), 0.12);                             // lids

    d = smoothMin (d, roundCone (p, { 0.0, 0.02, 1.47 }, { 0.0, -0.60, 1.88 }, 0.10, 0.16), 0.14);  // nose ridge
    d = smoothMin (d, sphere (p, { 0.0, -0.66, 1.86 }, 0.17), 0.10);                            // nose tip

    // Lips: two rolls that follow the curve of the face, with the mouth slit between them.
    const V3 m = f.mouthCentre;
    for (double side : { -1.0, 1.0 })
    {
        d = smoothMin (d, roundCone (p, m + V3 (0.0, 0.09, -0.02), m + V3 (side * 0.44, 0.03, -0.22), 0.095, 0.06), 0.12);
        d = smoothMin (d, roundCone (p, m + V3 (0.0, -0.12, -0.04), m + V3 (side * 0.40, -0.04, -0.24), 0.105, 0.06), 0.12);
    }
    d = smoothMax (d, -ellipsoid (p, m + V3 (0.0, -0.005, 0.05), { 0.46, 0.045, 0.30 }), 0.04);

    return d;
}

// Distance from the ray origin to the outermost surface along a direction.
double castToSurface (const V3& origin, const V3& dir, const FaceLayout& layout)
{
    constexpr double step = 0.005;
    double t = 4.5;
    while (t > 0.0 && headField (origin + t * dir, layout) > 0.0)
        t -= step;

    double lo = std::max (t, 0.0), hi = t + step;
    for (int i = 0; i < 60; ++i)
    {
        const double mid = 0.5 * (lo + hi);
        (headField (origin + mid * dir, layout) > 0.0 ? hi : lo) = mid;
    }
    return 0.5 * (lo + hi);
}

//==============================================================================
// Head: quad sphere with 48 columns, denser on the face, with openings for the eyes and mouth.
constexpr int headCapGrid = 12, headRings = 39, headColumns = 4 * headCapGrid;
constexpr int eyeOpeningColumns = 4, eyeOpeningRings = 3, eyeFirstColumn = 3;
constexpr int mouthOpeningColumns = 8, mouthOpeningRings = 3;

std::vector<double> headColumnAzimuths()
{
    // Columns crowd towards the face: the warp's slope is 1 - c at the front, 1 + c at the back.
    constexpr double c = 0.45;
    auto warp = [] (double u) { return u - c / pi * std::sin (pi * u); };
    std::vector<double> phis;
    for (int k = 0; k < headColumns; ++k)
    {
        const int half = headColumns / 2;
        phis.push_back (k <= half ? pi * warp ((double) k / half) : 2.0 * pi + pi * warp ((double) k / half - 2.0));
    }
    phis[(size_t) headColumns / 2] = pi;
    return phis;
}

std::vector<double> headRingAngles()
{
    // Dense from the brow to the chin, where the features are.
    return spacedByDensity (radians (30.0), radians (163.0), headRings,
                            [] (double theta)
                            {
                                return 1.0 + 1.7 * smoothStep (radians (55.0), radians (72.0), theta)
                                               * (1.0 - smoothStep (radians (145.0), radians (158.0), theta));
                            });
}

struct Opening
{
    int firstRing, firstColumn, rings, columns;

    bool containsFace (int ring, int column) const
    {
        const int dc = ((column - firstColumn) % headColumns + headColumns) % headColumns;
        return ring >= firstRing && ring < firstRing + rings && dc < columns;
    }
};

int nearestRingStart (const std::vector<double>& thetas, double centreTheta, int rings)
{
    // The opening's centre is the middle of its middle ring of quads.
    int best = 0;
    double bestError = 1e9;
    for (int r = 0; r + rings < (int) thetas.size(); ++r)
    {
        const double centre = 0.5 * (thetas[(size_t) r] + thetas[(size_t) (r + rings)]);
        if (std::abs (centre - centreTheta) < bestError)
        {
            bestError = std::abs (centre - centreTheta);
            best = r;
        }
    }
    return best;
}

struct Head
{
    Part part;
    FaceLayout layout;
};

// Texture coordinates: the rings and the top cap unwrap around the head with the seam at the
// back; the bottom cap is an island of its own.
V2 headRingUv (double theta, double phi, int side)
{
    double u;
    if (theta < 1e-9)
        u = 0.5;
    else if (std::abs (std::sin (phi)) < 1e-9 && std::cos (phi) < 0.0)
        u = side > 0 ? 1.0 : 0.0;
    else
        u = (wrapAngle (phi) + pi) / (2.0 * pi);
    return { u, 1.0 - 0.72 * theta / radians (163.0) };
}

V2 bottomCapUv (double theta, double phi)
{
    const double r = (pi - theta) / (pi - radians (163.0));
    return { 0.14 + 0.12 * r * std::sin (phi), 0.14 - 0.12 * r * std::cos (phi) };
}

Head makeHead()
{
    Head head;
    const auto thetas = headRingAngles();
    const auto phis = headColumnAzimuths();
    const auto grid = makeSphereGrid (headCapGrid, thetas, phis);

    auto& layout = head.layout;
    const V3 o = layout.rayOrigin;

    // Eye openings: columns eyeFirstColumn .. + 4 on the +x side and their mirror, rings around
    // the eyes' height; the eyes sit on the openings' centre lines.
    const double eyeTheta = std::acos ((0.02 - o.y()) / V3 (0.6, 0.02 - o.y(), 1.5).norm());
    const int eyeRing = nearestRingStart (thetas, eyeTheta, eyeOpeningRings);
    const double eyeCentreTheta = 0.5 * (thetas[(size_t) eyeRing] + thetas[(size_t) eyeRing + eyeOpeningRings]);
    const double eyeCentrePhi = phis[(size_t) eyeFirstColumn + eyeOpeningColumns / 2];

    const Opening eyeOpenings[2] = { { eyeRing, eyeFirstColumn, eyeOpeningRings, eyeOpeningColumns },
                                     { eyeRing, headColumns - eyeFirstColumn - eyeOpeningColumns, eyeOpeningRings, eyeOpeningColumns } };

    for (int side = 0; side < 2; ++side)
    {
        const double phi = side == 0 ? eyeCentrePhi : -eyeCentrePhi;
        const V3 dir = direction (eyeCentreTheta, phi);
        const double frontZ = 1.50;
        const V3 front = o + dir * ((frontZ - o.z()) / dir.z());
        layout.eyeCentre[side] = front - V3 (0.0, 0.0, layout.eyeRadius);
    }

    const double mouthTheta = std::acos ((-1.36 - o.y()) / V3 (0.0, -1.36 - o.y(), 1.6).norm());
    const int mouthRing = nearestRingStart (thetas, mouthTheta, mouthOpeningRings);
    const double mouthCentreTheta = 0.5 * (thetas[(size_t) mouthRing] + thetas[(size_t) mouthRing + mouthOpeningRings]);
    {
        const V3 dir = direction (mouthCentreTheta, 0.0);
        layout.mouthCentre = o + dir * ((1.62 - o.z()) / dir.z());
    }
    const Opening mouthOpening { mouthRing, headColumns - mouthOpeningColumns / 2, mouthOpeningRings, mouthOpeningColumns };

    auto inOpening = [&] (const SphereGrid::Face& f)
    {
        if (f.ring < 0)
            return false;
        return eyeOpenings[0].containsFace (f.ring, f.column) || eyeOpenings[1].containsFace (f.ring, f.column)
            || mouthOpening.containsFace (f.ring, f.column);
    };

    // Angles of every vertex, then the rims of the openings reshaped: almond eyes, a lens-shaped
    // mouth. The rim keeps its order around the opening, so no quad folds over.
    std::vector<V2> angles;
    for (const auto& v : grid.vertices)
        angles.emplace_back (v.theta, v.phi);

    auto shapeRim = [&] (const Opening& opening, double centreTheta, double centrePhi,
                         double halfWidth, double upperHalfHeight, double lowerHalfHeight, double cornerSharpness)
    {
        std::vector<int> rim;
        for (int r = opening.firstRing; r <= opening.firstRing + opening.rings; ++r)
        {
            for (int c = 0; c <= opening.columns; ++c)
            {
                const bool onRim = r == opening.firstRing || r == opening.firstRing + opening.rings || c == 0 || c == opening.columns;
                if (! onRim)
                    continue;

                const int k = (opening.firstColumn + c) % headColumns;
                const int index = grid.ringVertex[(size_t) r][(size_t) k];

                // Where the vertex sits on the opening's rectangle, as an angle around its centre.
                const double s = 2.0 * c / opening.columns - 1.0;
                const double t = 2.0 * (r - opening.firstRing) / opening.rings - 1.0;
                const double a = std::atan2 (-t, s);
                const double x = std::cos (a);
                const double y = std::sin (a);
                const double edge = std::pow (std::abs (y), cornerSharpness) * (y >= 0.0 ? 1.0 : -1.0);
                const double dTheta = -(edge >= 0.0 ? upperHalfHeight : lowerHalfHeight) * edge;
                angles[(size_t) index] = V2 (centreTheta + dTheta, centrePhi + halfWidth * x);
                rim.push_back (index);
            }
        }
        return rim;
    };

    const double eyeHalfWidth = 0.5 * (phis[(size_t) eyeFirstColumn + eyeOpeningColumns] - phis[(size_t) eyeFirstColumn]) * 0.95;
    const double eyeHalfHeight = 0.5 * (thetas[(size_t) eyeRing + eyeOpeningRings] - thetas[(size_t) eyeRing]);
    shapeRim (eyeOpenings[0], eyeCentreTheta, eyeCentrePhi, eyeHalfWidth, eyeHalfHeight * 1.9, eyeHalfHeight * 1.35, 1.2);
    shapeRim (eyeOpenings[1], eyeCentreTheta, -eyeCentrePhi, eyeHalfWidth, eyeHalfHeight * 1.9, eyeHalfHeight * 1.35, 1.2);

    const double mouthHalfWidth = phis[(size_t) mouthOpeningColumns / 2] * 0.97;
    const double mouthHalfHeight = 0.5 * (thetas[(size_t) mouthRing + mouthOpeningRings] - thetas[(size_t) mouthRing]);
    const auto mouthRim = shapeRim (mouthOpening, mouthCentreTheta, 0.0, mouthHalfWidth, mouthHalfHeight * 0.55, mouthHalfHeight * 0.55, 0.9);

    // Ease the ring of vertices around each rim towards its neighbours, so the rim's new shape
    // fades into the grid instead of leaving a crease.
    std::vector<bool> fixed (grid.vertices.size(), true), removed (grid.vertices.size(), false);
    for (const auto& f : grid.faces)
        if (inOpening (f))
            for (int v : f.v)
                removed[(size_t) v] = true;

    std::vector<std::vector<int>> neighbours (grid.vertices.size());
    for (const auto& f : grid.faces)
        for (int e = 0; e < 4; ++e)
        {
            neighbours[(size_t) f.v[(size_t) e]].push_back (f.v[(size_t) (e + 1) % 4]);
            neighbours[(size_t) f.v[(size_t) (e + 1) % 4]].push_back (f.v[(size_t) e]);
        }

    std::vector<bool> onRim (grid.vertices.size(), false);
    for (const auto& f : grid.faces)
        if (! inOpening (f))
            for (int v : f.v)
                if (removed[(size_t) v])
                    onRim[(size_t) v] = true;

    for (size_t v = 0; v < grid.vertices.size(); ++v)
    {
        if (onRim[v])
            continue;
        for (int w : neighbours[v])
            if (onRim[(size_t) w])
                fixed[v] = false;
    }

    for (int iteration = 0; iteration < 3; ++iteration)
    {
        auto next = angles;
        for (size_t v = 0; v < angles.size(); ++v)
        {
            if (fixed[v])
                continue;
            V2 sum = V2::Zero();
            for (int w : neighbours[v])
                sum += angles[(size_t) w];
            next[v] = 0.5 * angles[v] + 0.5 * sum / (double) neighbours[v].size();
        }
        angles = next;
    }

    // Positions: the outermost surface of the head's field along each vertex's direction.
    std::vector<int> newIndex (grid.vertices.size(), -1);
    auto& part = head.part;
    for (size_t v = 0; v < grid.vertices.size(); ++v)
    {
        if (removed[v] && ! onRim[v])
            continue;
        const V3 dir = direction (angles[v].x(), angles[v].y());
        newIndex[v] = (int) part.positions.size();
        part.positions.push_back (o + dir * castToSurface (o, dir, layout));
    }

    // The lips roll inwards at the mouth's rim.
    for (int v : mouthRim)
    {
        auto& p = part.positions[(size_t) newIndex[(size_t) v]];
        p -= 0.06 * (p - o).normalized();
    }

    for (const auto& f : grid.faces)
    {
        if (inOpening (f))
            continue;

        Quad q;
        q.material = skin;

        double centrePhi = 0.0;
        for (int c = 0; c < 4; ++c)
            centrePhi += std::sin (grid.vertices[(size_t) f.v[(size_t) c]].phi);
        const int side = centrePhi >= 0.0 ? 1 : -1;

        for (int c = 0; c < 4; ++c)
        {
            const int v = f.v[(size_t) c];
            const auto& gv = grid.vertices[(size_t) v];
            const V2 uv = f.cap == 1 ? bottomCapUv (gv.theta, gv.phi) : headRingUv (gv.theta, gv.phi, side);
            q.corners[(size_t) c] = { newIndex[(size_t) v], uv };
        }
        part.quads.push_back (q);
    }

    return head;
}

//==============================================================================
// A rotation whose columns are where the quad sphere's x, y (pole) and z axes go.
Eigen::Matrix3d frame (const V3& xAxis, const V3& poleAxis, const V3& zAxis)
{
    Eigen::Matrix3d m;
    m.col (0) = xAxis;
    m.col (1) = poleAxis;
    m.col (2) = zAxis;
    return m;
}

std::vector<double> uniformAzimuths (int columns)
{
    std::vector<double> phis;
    for (int k = 0; k < columns; ++k)
        phis.push_back (2.0 * pi * k / columns);
    return phis;
}

// Ear: a flattened quad sphere with its pole on the outer face, hollowed into a bowl inside a
// raised rim, tilted back and standing away from the head.
Part makeEar (const Head& head)
{
    constexpr int grid = 5, rings = 8;
    std::vector<double> thetas;
    for (int r = 0; r <= rings; ++r)
        thetas.push_back (radians (34.0) + (radians (150.0) - radians (34.0)) * r / rings);
    const auto g = makeSphereGrid (grid, thetas, uniformAzimuths (4 * grid));

    const V3 outward = V3 (std::cos (radians (34.0)), 0.0, std::sin (radians (34.0))).normalized();
    V3 up = V3 (0.0, std::cos (radians (14.0)), -std::sin (radians (14.0)));
    up = (up - up.dot (outward) * outward).normalized();
    const V3 across = outward.cross (up);
    const auto rotation = frame (across, outward, up);

    // Place the ear where the head's side is, a little out from it.
    const V3 o = head.layout.rayOrigin;
    const V3 sideDir = V3 (1.0, -0.02 - o.y(), -0.22).normalized();
    const V3 root = o + sideDir * castToSurface (o, sideDir, head.layout);
    const V3 centre = root + V3 (0.16, 0.0, 0.0);

    Part part;
    for (const auto& v : g.vertices)
    {
        const V3 u = direction (v.theta, v.phi);
        const double rho2 = u.x() * u.x() + u.z() * u.z();
        const double halfWidth = 0.34 * (1.0 + 0.14 * u.z());
        const double halfHeight = 0.60;
        double thickness;
        if (u.y() >= 0.0)
            thickness = 0.26 * u.y() * (1.0 - 1.25 * std::pow (std::max (0.0, 1.0 - rho2), 1.5));
        else
            thickness = 0.24 * u.y();
        // The rim curls forward a little.
        const double curl = 0.08 * rho2 * rho2;
        const V3 local (halfWidth * u.x(), thickness + curl, halfHeight * u.z());
        part.positions.push_back (centre + rotation * local);
    }

    for (const auto& f : g.faces)
    {
        Quad q;
        q.material = skin;
        for (int c = 0; c < 4; ++c)
        {
            const auto& gv = g.vertices[(size_t) f.v[(size_t) c]];
            const V3 u = direction (gv.theta, gv.phi);
            q.corners[(size_t) c] = { f.v[(size_t) c], V2 (0.30 + 0.09 * (u.x() + 1.0), 0.02 + 0.09 * (u.z() + 1.0)) };
        }
        part.quads.push_back (q);
    }

    return part;
}

// Eye: a quad sphere looking along +z. The pole's cap and the ring around it are the pupil,
// carved in a little and cut from the eyeball along its edge so that the edge stays crisp.
constexpr int eyeGrid = 12, eyeRings = 12;

Part makeEye (const Head& head, int side)
{
    std::vector<double> thetas { radians (16.0), radians (28.0) };
    for (int r = 2; r <= eyeRings; ++r)
        thetas.push_back (radians (28.0) + (radians (160.0) - radians (28.0)) * (r - 1) / (eyeRings - 1));
    const auto g = makeSphereGrid (eyeGrid, thetas, uniformAzimuths (4 * eyeGrid));

    const auto rotation = frame ({ 1.0, 0.0, 0.0 }, { 0.0, 0.0, 1.0 }, { 0.0, -1.0, 0.0 });
    const V3 centre = head.layout.eyeCentre[side];
    const double radius = head.layout.eyeRadius;
    const double pupilEdge = thetas[1];

    auto isPupilVertex = [&] (const SphereGrid::Vertex& v) { return v.cap == 0 || (v.ring >= 0 && v.ring <= 1); };
    auto isPupilFace = [&] (const SphereGrid::Face& f) { return f.cap == 0 || f.ring == 0; };

    auto place = [&] (const SphereGrid::Vertex& v, bool dome)
    {
        const V3 u = direction (v.theta, v.phi);
        const double t = std::min (v.theta / pupilEdge, 1.0);
        // The pupil is carved into the eye as a shallow dish; its walls catch less light than
        // the eyeball around it.
        const double r = radius * (1.0 - (dome ? 0.22 * std::pow (1.0 - t * t, 1.5) : 0.0));
        return V3 (centre + rotation * (r * u));
    };

    Part part;
    std::vector<int> eyeballIndex (g.vertices.size(), -1), pupilIndex (g.vertices.size(), -1);
    for (size_t v = 0; v < g.vertices.size(); ++v)
    {
        const auto& gv = g.vertices[v];
        if (! (gv.cap == 0 || (gv.ring >= 0 && gv.ring < 1)))
        {
            eyeballIndex[v] = (int) part.positions.size();
            part.positions.push_back (place (gv, false));
        }
        if (isPupilVertex (gv))
        {
            pupilIndex[v] = (int) part.positions.size();
            part.positions.push_back (place (gv, true));
        }
    }

    for (const auto& f : g.faces)
    {
        const bool isPupil = isPupilFace (f);
        Quad q;
        q.material = isPupil ? pupil : eyeball;
        for (int c = 0; c < 4; ++c)
        {
            const int v = f.v[(size_t) c];
            const auto& gv = g.vertices[(size_t) v];
            V2 uv;
            if (isPupil)
            {
                const V3 u = direction (gv.theta, gv.phi);
                uv = V2 (0.55 + 0.04 * (u.x() + 1.0), 0.02 + 0.04 * (u.z() + 1.0));
            }
            else if (f.cap == 1)
            {
                const double r = (pi - gv.theta) / (pi - thetas.back());
                uv = V2 (0.75 + 0.04 * r * std::sin (gv.phi), 0.06 + 0.04 * r * std::cos (gv.phi));
            }
            else
            {
                // Unwrapped around the eye with the seam at column 0.
                const int column = gv.column == 0 && f.column == 4 * eyeGrid - 1 ? 4 * eyeGrid : gv.column;
                uv = V2 (0.55 + 0.40 * column / (4.0 * eyeGrid), 0.12 + 0.10 * (gv.ring - 1) / (eyeRings - 1.0));
            }
            q.corners[(size_t) c] = { isPupil ? pupilIndex[(size_t) v] : eyeballIndex[(size_t) v], uv };
        }
        part.quads.push_back (q);
    }

    return part;
}

// Teeth: four upper and four lower incisors on an arch behind the lips. Each tooth is a box of
// ten quads around (a 1 x 4 grid at each end), flat front to back and wider than deep.
struct ToothShape
{
    double arcPosition, width, length;
    int rings;
    bool upper;
};

Part makeTeeth (const Head& head)
{
    const V3 m = head.layout.mouthCentre;
    const double archRadius = 0.80;
    const double frontZ = m.z() - 0.15;
    const double archCentreZ = frontZ - archRadius;

    const std::vector<ToothShape> shapes {
        { -0.082, 0.160, 0.20, 8, true }, { 0.082, 0.160, 0.20, 8, true },
        { -0.222, 0.120, 0.18, 7, true }, { 0.222, 0.120, 0.18, 7, true },
        { -0.056, 0.110, 0.16, 6, false }, { 0.056, 0.110, 0.16, 6, false },
        { -0.168, 0.110, 0.15, 6, false }, { 0.168, 0.110, 0.15, 6, false },
    };

    Part part;

    // Perimeter of the 1 x 4 end grid: (i, j) with i across the tooth, j from back (0) to front (1).
    std::vector<std::pair<int, int>> perimeter;
    for (int i = 0; i <= 4; ++i) perimeter.emplace_back (i, 0);
    for (int i = 4; i >= 0; --i) perimeter.emplace_back (i, 1);

    for (const auto& tooth : shapes)
    {
        const double angle = tooth.arcPosition / archRadius;
        const V3 outward (std::sin (angle), 0.0, std::cos (angle));
        const V3 across (std::cos (angle), 0.0, -std::sin (angle));
        const double edgeY = m.y() + (tooth.upper ? -0.035 : -0.045);
        const double depthOffset = tooth.upper ? 0.0 : -0.045;   // upper teeth close in front of the lower
        const V3 edgeCentre = V3 (0.0, edgeY, archCentreZ) + archRadius * outward + depthOffset * outward;
        const double grow = tooth.upper ? 1.0 : -1.0;

        const int first = (int) part.positions.size();
        const int perimeterSize = (int) perimeter.size();

        for (int r = 0; r <= tooth.rings; ++r)
        {
            const double t = (double) r / tooth.rings;
            const double width = tooth.width * (0.90 + 0.10 * std::sin (std::min (t * 3.0, 1.0) * pi * 0.5)) * (1.0 - 0.22 * t * t);
            const double depth = 0.075 * (0.55 + 0.45 * t);
            for (const auto& [i, j] : perimeter)
            {
                const double s = i / 4.0 - 0.5;
                double z = (j - 0.5) * depth;
                // Rounded sides and a slightly convex front.
                if (i == 0 || i == 4)
                    z *= 0.55;
                if (j == 1)
                    z += 0.012 * (1.0 - 4.0 * s * s);
                const double y = grow * tooth.length * t;
                part.positions.push_back (edgeCentre + across * (s * width) + outward * z + V3 (0.0, y, 0.0));
            }
        }

        V3 toothCentre = V3::Zero();
        for (int v = first; v < (int) part.positions.size(); ++v)
            toothCentre += part.positions[(size_t) v];
        toothCentre /= (double) (part.positions.size() - (size_t) first);

        auto addOutwardQuad = [&] (std::array<Corner, 4> corners)
        {
            const V3 a = part.positions[(size_t) corners[0].vertex], b = part.positions[(size_t) corners[1].vertex];
            const V3 c = part.positions[(size_t) corners[2].vertex], d = part.positions[(size_t) corners[3].vertex];
            const V3 normal = (c - a).cross (d - b);
            if (normal.dot (0.25 * (a + b + c + d) - toothCentre) < 0.0)
                std::swap (corners[1], corners[3]);
            part.quads.push_back ({ corners, teeth });
        };

        const double u0 = 0.05 + 0.11 * (double) (&tooth - shapes.data());
        auto ringCorner = [&] (int r, int p, bool seamEnd)
        {
            const double u = (seamEnd ? perimeterSize : p) / (double) perimeterSize;
            return Corner { first + r * perimeterSize + p, V2 (u0 + 0.10 * u, 0.30 + 0.12 * r / tooth.rings) };
        };

        for (int r = 0; r < tooth.rings; ++r)
            for (int p = 0; p < perimeterSize; ++p)
            {
                const int p1 = (p + 1) % perimeterSize;
                addOutwardQuad ({ ringCorner (r, p, false), ringCorner (r + 1, p, false),
                                  ringCorner (r + 1, p1, p1 == 0), ringCorner (r, p1, p1 == 0) });
            }

        // End grids: the biting edge is an island of its own, the root end reuses the ring's
        // coordinates.
        auto perimeterIndex = [&] (int i, int j)
        {
            for (int p = 0; p < perimeterSize; ++p)
                if (perimeter[(size_t) p] == std::make_pair (i, j))
                    return p;
            return 0;
        };

        for (int i = 0; i < 4; ++i)
        {
            std::array<Corner, 4> edge, root;
            const std::pair<int, int> cell[4] = { { i, 0 }, { i + 1, 0 }, { i + 1, 1 }, { i, 1 } };
            for (int c = 0; c < 4; ++c)
            {
                const int p = perimeterIndex (cell[c].first, cell[c].second);
                edge[(size_t) c] = { first + p, V2 (u0 + 0.025 * cell[c].first, 0.45 + 0.04 * cell[c].second) };
                root[(size_t) c] = ringCorner (tooth.rings, p, false);
            }
            addOutwardQuad (edge);
            addOutwardQuad (root);
        }
    }

    return part;
}

//==============================================================================
Part mirrored (const Part& source)
{
    Part part = source;
    for (auto& p : part.positions)
        p.x() = -p.x();
    for (auto& q : part.quads)
    {
        std::swap (q.corners[1], q.corners[3]);
        for (auto& c : q.corners)
            c.uv.x() = 1.0 - c.uv.x();
    }
    return part;
}

struct Model
{
    std::vector<V3> positions, normals;
    std::vector<V2> uvs;
    struct OutQuad { std::array<int, 4> v, t; Material material; };
    std::vector<OutQuad> quads;
};

Model assemble (const std::vector<Part>& parts)
{
    Model model;
    for (const auto& part : parts)
    {
        const int base = (int) model.positions.size();
        model.positions.insert (model.positions.end(), part.positions.begin(), part.positions.end());

        std::map<std::tuple<int, double, double>, int> uvIndex;
        for (const auto& q : part.quads)
        {
            Model::OutQuad out;
            out.material = q.material;
            for (int c = 0; c < 4; ++c)
            {
                const auto& corner = q.corners[(size_t) c];
                const auto key = std::make_tuple (corner.vertex, corner.uv.x(), corner.uv.y());
                auto it = uvIndex.find (key);
                if (it == uvIndex.end())
                {
                    it = uvIndex.emplace (key, (int) model.uvs.size()).first;
                    model.uvs.push_back (corner.uv);
                }
                out.v[(size_t) c] = base + corner.vertex;
                out.t[(size_t) c] = it->second;
            }
            model.quads.push_back (out);
        }
    }
    return model;
}

// Fits the model into the target extent and gives each vertex the area-weighted mean of the
// normals of its quads.
void finish (Model& model)
{
    V3 lo = model.positions.front(), hi = lo;
    for (const auto& p : model.positions)
    {
        lo = lo.cwiseMin (p);
        hi = hi.cwiseMax (p);
    }

    std::printf ("generated extent x %.3f .. %.3f, y %.3f .. %.3f, z %.3f .. %.3f\n",
                 lo.x(), hi.x(), lo.y(), hi.y(), lo.z(), hi.z());

    const double sx = xMax / std::max (std::abs (lo.x()), std::abs (hi.x()));
    const double sy = (yMax - yMin) / (hi.y() - lo.y());
    const double sz = (zMax - zMin) / (hi.z() - lo.z());
    for (auto& p : model.positions)
        p = V3 (p.x() * sx, yMin + (p.y() - lo.y()) * sy, zMin + (p.z() - lo.z()) * sz);

    model.normals.assign (model.positions.size(), V3::Zero());
    for (const auto& q : model.quads)
    {
        const V3 a = model.positions[(size_t) q.v[0]], b = model.positions[(size_t) q.v[1]];
        const V3 c = model.positions[(size_t) q.v[2]], d = model.positions[(size_t) q.v[3]];
        const V3 n = 0.5 * (c - a).cross (d - b);
        for (int v : q.v)
            model.normals[(size_t) v] += n;
    }
    for (auto& n : model.normals)
        n = n.norm() > 0.0 ? V3 (n.normalized()) : V3 (0.0, 1.0, 0.0);
}

std::string number (double value, int decimals)
{
    char buffer[64];
    std::snprintf (buffer, sizeof (buffer), "%.*f", decimals, value);
    std::string s (buffer);
    // "-0.000000" reads as zero anyway; write it as such.
    if (s.find_first_not_of ("-0.") == std::string::npos && s[0] == '-')
        s.erase (0, 1);
    return s;
}

std::string writeObj (const Model& model)
{
    std::string text;
    text.reserve (800000);
    text += "# Ormalix head model: cranium with face, nose, lips and ears, two eyes with pupils, teeth\n";
    text += "# Generated by tools/generators/HeadModelGenerator.cpp; edit the generator, not this file\n";
    text += "mtllib Character_Head_Model.mtl\n";
    text += "o boy_head.001_Mesh.012\n";
    for (const auto& p : model.positions)
        text += "v " + number (p.x(), 6) + " " + number (p.y(), 6) + " " + number (p.z(), 6) + "\n";
    for (const auto& t : model.uvs)
        text += "vt " + number (t.x(), 6) + " " + number (t.y(), 6) + "\n";
    for (const auto& n : model.normals)
        text += "vn " + number (n.x(), 4) + " " + number (n.y(), 4) + " " + number (n.z(), 4) + "\n";
    text += "s 1\n";

    for (int m = 0; m < numMaterials; ++m)
    {
        text += std::string ("usemtl ") + materialNames[m] + "\n";
        for (const auto& q : model.quads)
        {
            if (q.material != m)
                continue;
            text += "f";
            for (int c = 0; c < 4; ++c)
            {
                const auto v = std::to_string (q.v[(size_t) c] + 1);
                text += " " + v + "/" + std::to_string (q.t[(size_t) c] + 1) + "/" + v;
            }
            text += "\n";
        }
    }
    return text;
}

bool check (bool condition, const char* what)
{
    std::printf ("%s %s\n", condition ? "ok  " : "FAIL", what);
    return condition;
}
} // namespace

int main (int argc, char** argv)
{
    const juce::File output = juce::File::getCurrentWorkingDirectory().getChildFile (argc > 1 ? argv[1] : "resources/HeadModel.obj");

    const auto head = makeHead();
    const auto ear = makeEar (head);
    const auto eye = makeEye (head, 0);
    const auto eyeOther = makeEye (head, 1);
    const auto teethPart = makeTeeth (head);

    auto model = assemble ({ head.part, ear, mirrored (ear), eye, eyeOther, teethPart });
    finish (model);

    int faces[numMaterials] = {};
    for (const auto& q : model.quads)
        ++faces[q.material];

    double maxRadius = 0.0;
    for (const auto& p : model.positions)
        maxRadius = std::max (maxRadius, p.norm());

    std::printf ("v %zu, vt %zu, f %zu (skin %d, eyeball %d, pupil %d, teeth %d), max radius %.3f\n",
                 model.positions.size(), model.uvs.size(), model.quads.size(),
                 faces[skin], faces[eyeball], faces[pupil], faces[teeth], maxRadius);

    bool ok = true;
    ok &= check (model.positions.size() == 5008, "5008 positions");
    ok &= check (model.uvs.size() == 5363, "5363 texture coordinates");
    ok &= check (model.quads.size() == 4864, "4864 quads");
    ok &= check (faces[skin] == 2532 && faces[eyeball] == 1344 && faces[pupil] == 384 && faces[teeth] == 604,
                 "faces per material 2532, 1344, 384, 604");
    ok &= check (maxRadius < 2.6, "every vertex within 2.6 of the origin");

    const auto text = writeObj (model);
    if (! output.getParentDirectory().createDirectory() || ! output.replaceWithData (text.data(), text.size()))
    {
        std::printf ("cannot write %s\n", output.getFullPathName().toRawUTF8());
        return 1;
    }

    std::printf ("wrote %s (%zu bytes)\n", output.getFullPathName().toRawUTF8(), text.size());
    return ok ? 0 : 1;
}
