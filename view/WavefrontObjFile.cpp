#include "view/WavefrontObjFile.h"

#include <climits>

namespace
{
using Cursor = juce::String::CharPointerType;

// A material library larger than this is not a material library; the limit keeps a hostile
// name (a device, a huge file) from stalling the load.
constexpr size_t maxMaterialLibraryBytes = 16 * 1024 * 1024;

// The C library's white-space class; ASCII is decided here, the rest is decoded and asked.
bool isWhitespaceAt (Cursor t)
{
    const auto byte = (unsigned char) *t.getAddress();
    if (byte < 0x80)
        return byte == ' ' || (byte >= 9 && byte <= 13);
    return t.isWhitespace();
}

void skipWhitespace (Cursor& t)
{
    while (! t.isEmpty() && isWhitespaceAt (t))
        ++t;
}

// Plain decimals of up to 15 digits (all the numbers an exporter writes) are converted here:
// both the digits and the power of ten are exact doubles, so one division rounds exactly as
// juce::CharacterFunctions::readDoubleValue does. Anything else goes to it.
double readNumber (Cursor& t)
{
    static constexpr double powersOfTen[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const auto* p = t.getAddress();
    bool negative = false;

    if (*p == '-' || *p == '+')
        negative = *p++ == '-';

    uint64_t mantissa = 0;
    int digits = 0, fractionDigits = 0;

    while (*p >= '0' && *p <= '9')
    {
        mantissa = mantissa * 10 + (uint64_t) (*p++ - '0');
        ++digits;
    }

    if (*p == '.')
    {
        ++p;
        while (*p >= '0' && *p <= '9')
        {
            mantissa = mantissa * 10 + (uint64_t) (*p++ - '0');
            ++digits;
            ++fractionDigits;
        }
    }

    if (digits == 0 || digits > 15 || *p == 'e' || *p == 'E')
        return juce::CharacterFunctions::readDoubleValue (t);

    const auto value = (double) mantissa / powersOfTen[fractionDigits];
    t = Cursor (p);
    return negative ? -value : value;
}

float readFloat (Cursor& t)
{
    skipWhitespace (t);
    return (float) readNumber (t);
}

bool isCSpace (juce::juce_wchar c)
{
    return c == ' ' || (c >= 9 && c <= 13);
}

// Reads an integer the way atoi does, without moving the cursor; out-of-range values saturate
// so that they end up as indices that address nothing.
int readIndexNumber (Cursor t)
{
    while (! t.isEmpty() && isCSpace (*t))
        ++t;

    bool negative = false;

    if (*t == '-' || *t == '+')
    {
        negative = *t == '-';
        ++t;
    }

    int64_t value = 0;

    while (t.isDigit())
    {
        value = value * 10 + (int64_t) (*t - '0');
        if (value > (int64_t) INT_MAX)
            value = (int64_t) INT_MAX + 1;
        ++t;
    }

    if (negative)
        value = -value;

    return (int) juce::jlimit ((int64_t) INT_MIN + 1, (int64_t) INT_MAX, value);
}

// A token of a face line ends at the first "/", space or tab.
void moveToEndOfToken (Cursor& t)
{
    while (! t.isEmpty() && *t != '/' && *t != ' ' && *t != '\t')
        ++t;
}

juce::String firstToken (Cursor t)
{
    auto end = t;
    while (! end.isEmpty() && *end != ' ' && *end != '\t')
        ++end;
    return juce::String (t, end);
}

juce::StringArray tokensSplitAtSpacesAndTabs (const juce::String& text)
{
    juce::StringArray tokens;
    tokens.addTokens (text, " \t", "");
    tokens.removeEmptyStrings();
    return tokens;
}
} // namespace

//==============================================================================
uint32_t WavefrontObjFile::IndexMap::getIndexFor (TripleIndex triple, Mesh& newMesh, const Mesh& srcMesh)
{
    if (auto found = map.find (triple); found != map.end())
        return found->second;

    // Faces are checked against the source before their corners get here.
    jassert (triple.positionIndex >= 0 && (size_t) triple.positionIndex < srcMesh.positions.size());

    const auto index = (uint32_t) newMesh.positions.size();
    newMesh.positions.push_back (srcMesh.positions[(size_t) triple.positionIndex]);

    if (triple.normalIndex >= 0 && (size_t) triple.normalIndex < srcMesh.normals.size())
    {
        newMesh.normals.resize (index, missingNormal);
        newMesh.normals.push_back (srcMesh.normals[(size_t) triple.normalIndex]);
    }

    if (triple.textureIndex >= 0 && (size_t) triple.textureIndex < srcMesh.textureCoords.size())
    {
        newMesh.textureCoords.resize (index, missingTextureCoord);
        newMesh.textureCoords.push_back (srcMesh.textureCoords[(size_t) triple.textureIndex]);
    }

    map.emplace (triple, index);
    return index;
}

//==============================================================================
struct WavefrontObjFile::ParseState
{
    Mesh srcMesh;
    std::vector<Face> pendingFaces;
    std::vector<Material> knownMaterials;
    Material currentMaterial;
    juce::String currentName;
};

juce::Result WavefrontObjFile::load (const juce::String& objFileContent)
{
    shapes.clear();

    // The lines that juce::StringArray::fromLines would give (ends at LF, CR LF, CR or a zero
    // byte), each copied into one reused buffer instead of a string of its own.
    ParseState state;
    std::vector<char> line;
    const char* text = objFileContent.toRawUTF8();

    for (bool finished = *text == 0; ! finished;)
    {
        const char* end = text;
        while (*end != 0 && *end != '\n' && *end != '\r')
            ++end;

        line.assign (text, end);
        line.push_back (0);
        parseLine (Cursor (line.data()), state);

        finished = *end == 0;
        text = end + (finished ? 0 : 1);
        if (*end == '\r' && *text == '\n')
            ++text;
    }

    closePendingFaces (state);
    return juce::Result::ok();
}

juce::Result WavefrontObjFile::parseObjFile (const juce::StringArray& lines)
{
    ParseState state;

    for (const auto& line : lines)
        parseLine (line.getCharPointer(), state);

    closePendingFaces (state);
    return juce::Result::ok();
}

void WavefrontObjFile::closePendingFaces (ParseState& state)
{
    if (auto* shape = parseFaceGroup (state.srcMesh, state.pendingFaces, state.currentMaterial, state.currentName))
        shapes.add (shape);

    state.pendingFaces.clear();
}

void WavefrontObjFile::parseLine (Cursor t, ParseState& state)
{
    skipWhitespace (t);

    if (matchToken (t, "v"))
    {
        state.srcMesh.positions.push_back (parseVertex (t));
    }
    else if (matchToken (t, "vn"))
    {
        state.srcMesh.normals.push_back (parseVertex (t));
    }
    else if (matchToken (t, "vt"))
    {
        Vec2 uv;
        uv.u = readFloat (t);
        uv.v = readFloat (t);
        state.srcMesh.textureCoords.push_back (uv);
    }
    else if (matchToken (t, "f"))
    {
        state.pendingFaces.push_back (parseFace (t));
    }
    else if (matchToken (t, "usemtl"))
    {
        const auto name = juce::String (t).trim();

        for (auto m = state.knownMaterials.rbegin(); m != state.knownMaterials.rend(); ++m)
        {
            if (m->name == name)
            {
                state.currentMaterial = *m;
                break;
            }
        }
    }
    else if (matchToken (t, "mtllib"))
    {
        // A missing library leaves the materials as they were; the model still loads.
        loadMaterialLibrary (juce::String (t).trim(), state.knownMaterials);
    }
    else if (matchToken (t, "g") || matchToken (t, "o"))
    {
        closePendingFaces (state);
        state.currentName = firstToken (t);
    }
}

WavefrontObjFile::Shape* WavefrontObjFile::parseFaceGroup (const Mesh& srcMesh, const std::vector<Face>& faces,
                                                           const Material& material, const juce::String& name)
{
    if (faces.empty())
        return nullptr;

    auto shape = std::make_unique<Shape>();
    shape->name = name;
    shape->material = material;

    size_t numTriangles = 0;
    for (const auto& face : faces)
        if (face.corners.size() >= 3)
            numTriangles += face.corners.size() - 2;

    auto& mesh = shape->mesh;
    mesh.indices.reserve (numTriangles * 3);

    IndexMap indexMap;

    for (const auto& face : faces)
    {
        // A face with a corner that addresses nothing is dropped whole: its triangles would
        // otherwise point past the vertices or pair positions with the wrong normals.
        if (face.corners.size() < 3 || ! faceFitsSource (face, srcMesh))
            continue;

        const auto first = face.corners[0];

        for (size_t k = 2; k < face.corners.size(); ++k)
        {
            mesh.indices.push_back (indexMap.getIndexFor (first, mesh, srcMesh));
            mesh.indices.push_back (indexMap.getIndexFor (face.corners[k - 1], mesh, srcMesh));
            mesh.indices.push_back (indexMap.getIndexFor (face.corners[k], mesh, srcMesh));
        }
    }

    return shape.release();
}

bool WavefrontObjFile::faceFitsSource (const Face& face, const Mesh& srcMesh)
{
    auto fitsOptional = [] (int index, size_t size) { return index == -1 || (index >= 0 && (size_t) index < size); };

    for (const auto& c : face.corners)
    {
        if (c.positionIndex < 0 || (size_t) c.positionIndex >= srcMesh.positions.size())
            return false;

        if (! fitsOptional (c.textureIndex, srcMesh.textureCoords.size())
            || ! fitsOptional (c.normalIndex, srcMesh.normals.size()))
            return false;
    }

    return true;
}

bool WavefrontObjFile::matchToken (Cursor& t, const char* keyword)
{
    auto p = t;

    for (auto* k = keyword; *k != 0; ++k)
    {
        if (*p != (juce::juce_wchar) (unsigned char) *k)
            return false;

        ++p;
    }

    if (! p.isEmpty() && ! isWhitespaceAt (p))
        return false;

    skipWhitespace (p);
    t = p;
    return true;
}

Vec3 WavefrontObjFile::parseVertex (Cursor& t)
{
    Vec3 v;
    v.x = readFloat (t);
    v.y = readFloat (t);
    v.z = readFloat (t);
    return v;
}

WavefrontObjFile::Face WavefrontObjFile::parseFace (Cursor t)
{
    Face face;

    for (;;)
    {
        skipWhitespace (t);

        // Whitespace at the end of the line is not another corner.
        if (t.isEmpty())
            break;

        TripleIndex corner;
        corner.positionIndex = readIndexNumber (t) - 1;
        moveToEndOfToken (t);

        auto finishCorner = [&]
        {
            face.corners.push_back (corner);
        };

        if (t.isEmpty())
        {
            finishCorner();
            break;
        }

        if (*t != '/')
        {
            ++t;
            finishCorner();
            continue;
        }

        ++t;

        if (*t == '/')
        {
            ++t;
        }
        else
        {
            corner.textureIndex = readIndexNumber (t) - 1;
            moveToEndOfToken (t);

            if (t.isEmpty())
            {
                finishCorner();
                break;
            }

            if (*t != '/')
            {
                ++t;
                finishCorner();
                continue;
            }

            ++t;
        }

        corner.normalIndex = readIndexNumber (t) - 1;
        moveToEndOfToken (t);
        finishCorner();
    }

    return face;
}

//==============================================================================
juce::Result WavefrontObjFile::loadMaterialLibrary (const juce::String& fileName, std::vector<Material>& materials) const
{
    const auto failure = juce::Result::fail ("Cannot open file: " + fileName);

    // Text loaded from memory has no folder to look in.
    if (sourceFile == juce::File())
        return failure;

    const auto file = sourceFile.getSiblingFile (fileName);

    if (! file.existsAsFile())
        return failure;

    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return failure;

    juce::MemoryBlock data;
    stream.readIntoMemoryBlock (data, (ssize_t) maxMaterialLibraryBytes);

    materials.clear();
    parseMaterialLibrary (juce::StringArray::fromLines (data.toString()), materials);
    return juce::Result::ok();
}

void WavefrontObjFile::parseMaterialLibrary (const juce::StringArray& lines, std::vector<Material>& materials)
{
    Material material;

    for (const auto& line : lines)
    {
        auto t = line.getCharPointer();
        skipWhitespace (t);

        if (matchToken (t, "newmtl"))
        {
            materials.push_back (material);
            material.name = juce::String (t).trim();
        }
        else if (matchToken (t, "Ka"))     material.ambient = parseVertex (t);
        else if (matchToken (t, "Kd"))     material.diffuse = parseVertex (t);
        else if (matchToken (t, "Ks"))     material.specular = parseVertex (t);
        else if (matchToken (t, "Kt"))     material.transmission = parseVertex (t);
        else if (matchToken (t, "Ke"))     material.emission = parseVertex (t);
        else if (matchToken (t, "Ni"))     material.refractionIndex = readFloat (t);
        else if (matchToken (t, "Ns"))     material.specularExponent = readFloat (t);
        else if (matchToken (t, "map_Ka")) material.ambientMap = juce::String (t).trim();
        else if (matchToken (t, "map_Kd")) material.diffuseMap = juce::String (t).trim();
        else if (matchToken (t, "map_Ks")) material.specularMap = juce::String (t).trim();
        else if (matchToken (t, "map_Ns")) material.specularExponentMap = juce::String (t).trim();
        else
        {
            const auto tokens = tokensSplitAtSpacesAndTabs (juce::String (t));

            if (tokens.size() >= 2)
                material.extraParameters.set (tokens[0].trim(), tokens[1].trim());
        }
    }

    materials.push_back (material);
}
