#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <map>
#include <vector>

// Coordinates of the model loader and of the head view's vertices.
struct Vec3
{
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Vec2
{
    float u = 0.0f, v = 0.0f;
};

// Reads the subset of Wavefront OBJ (and MTL) that the embedded head model needs into named,
// indexed triangle meshes. Unknown lines are skipped; nothing in the text makes a load fail.
class WavefrontObjFile
{
public:
    // One polygon corner as written in a face line: the file's 1-based numbers minus 1,
    // -1 where the corner does not give the index.
    struct TripleIndex
    {
        int positionIndex = -1;
        int textureIndex = -1;
        int normalIndex = -1;

        bool operator< (const TripleIndex& other) const noexcept
        {
            if (positionIndex != other.positionIndex) return positionIndex < other.positionIndex;
            if (textureIndex != other.textureIndex)   return textureIndex < other.textureIndex;
            return normalIndex < other.normalIndex;
        }

        bool operator== (const TripleIndex& other) const noexcept
        {
            return positionIndex == other.positionIndex && textureIndex == other.textureIndex
                && normalIndex == other.normalIndex;
        }
    };

    struct Face
    {
        std::vector<TripleIndex> corners;
    };

    // In a finished shape element i of positions, normals and textureCoords belongs to vertex i.
    // normals and textureCoords may be shorter than positions: the vertices past their end
    // have none.
    struct Mesh
    {
        std::vector<Vec3> positions;
        std::vector<Vec3> normals;
        std::vector<Vec2> textureCoords;
        std::vector<uint32_t> indices;
    };

    struct Material
    {
        juce::String name;
        Vec3 ambient, diffuse, specular, transmission, emission;
        float specularExponent = 1.0f;
        float refractionIndex = 0.0f;
        juce::String ambientMap, diffuseMap, specularMap, specularExponentMap;
        juce::StringPairArray extraParameters { true };
    };

    struct Shape
    {
        juce::String name;
        Mesh mesh;
        Material material;
    };

    // What a vertex gets in place of a normal or texture coordinate it lacks when a later
    // vertex of the same shape has one (so that the arrays stay in step).
    static constexpr Vec3 missingNormal { 0.5f, 0.5f, 0.5f };
    static constexpr Vec2 missingTextureCoord { 0.5f, 0.5f };

    // Vertices are shared within the shape being built, in order of first use.
    struct IndexMap
    {
        std::map<TripleIndex, uint32_t> map;

        uint32_t getIndexFor (TripleIndex triple, Mesh& newMesh, const Mesh& srcMesh);
    };

    juce::OwnedArray<Shape> shapes;
    juce::File sourceFile;

    // Replaces all shapes by those of the given OBJ text. Always succeeds.
    juce::Result load (const juce::String& objFileContent);

    juce::Result parseObjFile (const juce::StringArray& lines);

    // Builds the shape of the pending faces, or returns nullptr when there are none.
    static Shape* parseFaceGroup (const Mesh& srcMesh, const std::vector<Face>& faces,
                                  const Material& material, const juce::String& name);

    // True when the text at t starts with the keyword followed by whitespace or the end;
    // then t is moved past the keyword and the whitespace after it.
    static bool matchToken (juce::String::CharPointerType& t, const char* keyword);

    static Vec3 parseVertex (juce::String::CharPointerType& t);

    static Face parseFace (juce::String::CharPointerType t);

    // True when every corner addresses an existing position and, where given, an existing
    // texture coordinate and normal of the source mesh.
    static bool faceFitsSource (const Face& face, const Mesh& srcMesh);

    juce::Result loadMaterialLibrary (const juce::String& fileName, std::vector<Material>& materials) const;
    static void parseMaterialLibrary (const juce::StringArray& lines, std::vector<Material>& materials);

private:
    struct ParseState;
    void parseLine (juce::String::CharPointerType t, ParseState& state);
    void closePendingFaces (ParseState& state);

    JUCE_LEAK_DETECTOR (WavefrontObjFile)
};
