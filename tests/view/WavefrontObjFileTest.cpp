#include <gtest/gtest.h>

#include "view/WavefrontObjFile.h"

#include <cctype>
#include <string>
#include <vector>

namespace
{
struct ExpectedShape
{
    const char* name;
    size_t positions, normals, textureCoords;
    std::vector<uint32_t> indices;
};

struct LoaderCase
{
    const char* what;
    const char* text;
    std::vector<ExpectedShape> shapes;
};

// Three corners of a unit triangle and a fourth for quads.
#define POSITIONS "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"

const LoaderCase loaderCases[] = {
    { "vn is a normal, not a position", "v 0 0 0\nvn 0 0 1\nv 1 0 0\nv 1 1 0\nf 1//1 2//1 3//1\n",
      { { "", 3, 3, 0, { 0, 1, 2 } } } },
    { "a bare keyword matches and names the shape \"\"", POSITIONS "o first\nf 1 2 3\no\nf 1 2 3\n",
      { { "first", 3, 0, 0, { 0, 1, 2 } }, { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "positions-only quad: two triangles, no normals or texture coordinates", POSITIONS "f 1 2 3 4\n",
      { { "", 4, 0, 0, { 0, 1, 2, 0, 2, 3 } } } },
    { "// corners give normals and no texture coordinates", POSITIONS "vn 0 0 1\nvt 0.5 0.5\nf 1//1 2//1 3//1\n",
      { { "", 3, 3, 0, { 0, 1, 2 } } } },
    { "full corners", POSITIONS "vn 0 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nf 1/1/1 2/2/1 3/3/1\n",
      { { "", 3, 3, 3, { 0, 1, 2 } } } },
    { "a two-corner face adds no indices", POSITIONS "f 1 2\nf 1 2 3\n", { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "a lone two-corner face still makes an empty shape", POSITIONS "o line\nf 1 2\n", { { "line", 0, 0, 0, {} } } },
    { "corners shared within a shape give one vertex", POSITIONS "f 1 2 3\nf 1 3 4\n",
      { { "", 4, 0, 0, { 0, 1, 2, 0, 2, 3 } } } },
    { "corners shared across shapes give one vertex in each", POSITIONS "g a\nf 1 2 3\ng b\nf 3 2 1\n",
      { { "a", 3, 0, 0, { 0, 1, 2 } }, { "b", 3, 0, 0, { 0, 1, 2 } } } },
    { "faces before the first o or g line form a shape named \"\"", POSITIONS "f 1 2 3\no named extra\nf 2 3 4\n",
      { { "", 3, 0, 0, { 0, 1, 2 } }, { "named", 3, 0, 0, { 0, 1, 2 } } } },
    { "a group line before any face only names the next shape", POSITIONS "g unused\ng used\nf 1 2 3\n",
      { { "used", 3, 0, 0, { 0, 1, 2 } } } },
    { "faces may use positions written after them", "f 1 2 3\nv 0 0 0\nv 1 0 0\nv 1 1 0\n",
      { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "leading whitespace, tabs and CRLF line ends", "  v\t0 0 0\r\n\tv 1 0 0\r\nv 1 1 0\r\n f\t1 2\t3\r\n",
      { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "comments, smoothing and unknown lines are ignored", "# v 9 9 9\ns 1\nl 1 2\nvp 1 2\n" POSITIONS "f 1 2 3\n",
      { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "a file without faces has no shapes", POSITIONS "o nothing\n", {} },

    // Hostile indices: the face that holds them is dropped, its neighbours stay.
    { "position 0", POSITIONS "f 0 1 2\nf 1 2 3\n", { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "relative position", POSITIONS "f -1 1 2\nf 1 2 3\n", { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "position past the end", POSITIONS "f 1 2 99\nf 1 2 3\n", { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "huge position", POSITIONS "f 1 2 99999999999999999999\nf 1 2 3\n", { { "", 3, 0, 0, { 0, 1, 2 } } } },
    { "texture coordinate past the end", POSITIONS "vt 0 0\nf 1/1 2/2 3/1\nf 1/1 2/1 3/1\n", { { "", 3, 0, 3, { 0, 1, 2 } } } },
    { "normal past the end", POSITIONS "vn 0 0 1\nf 1//1 2//2 3//1\nf 1//1 2//1 3//1\n", { { "", 3, 3, 0, { 0, 1, 2 } } } },
    { "relative normal", POSITIONS "vn 0 0 1\nf 1//-1 2//1 3//1\n", { { "", 0, 0, 0, {} } } },
    { "no digits at all", POSITIONS "f a b c\n", { { "", 0, 0, 0, {} } } },
    { "whitespace at the end of a face line is not a corner", POSITIONS "f 1 2 3  \nf 1 3 4 \t\n",
      { { "", 4, 0, 0, { 0, 1, 2, 0, 2, 3 } } } },
    { "whitespace after a normal is not a corner", POSITIONS "vn 0 0 1\nf 1//1 2//1 3//1 \n", { { "", 3, 3, 0, { 0, 1, 2 } } } },
};

#undef POSITIONS

class Loader : public ::testing::TestWithParam<LoaderCase> {};

void PrintTo (const LoaderCase& c, std::ostream* os) { *os << c.what; }

void expectMeshIsSound (const WavefrontObjFile::Mesh& mesh)
{
    EXPECT_EQ (mesh.indices.size() % 3, 0u);
    EXPECT_LE (mesh.normals.size(), mesh.positions.size());
    EXPECT_LE (mesh.textureCoords.size(), mesh.positions.size());
    for (auto index : mesh.indices)
        EXPECT_LT (index, mesh.positions.size());
}
} // namespace

TEST_P (Loader, BuildsTheExpectedShapes)
{
    const auto& c = GetParam();
    WavefrontObjFile obj;
    ASSERT_TRUE (obj.load (c.text).wasOk());

    ASSERT_EQ ((size_t) obj.shapes.size(), c.shapes.size()) << c.what;
    for (size_t s = 0; s < c.shapes.size(); ++s)
    {
        const auto& shape = *obj.shapes[(int) s];
        const auto& expected = c.shapes[s];
        SCOPED_TRACE (std::string (c.what) + ", shape " + std::to_string (s));
        EXPECT_EQ (shape.name, juce::String (expected.name));
        EXPECT_EQ (shape.mesh.positions.size(), expected.positions);
        EXPECT_EQ (shape.mesh.normals.size(), expected.normals);
        EXPECT_EQ (shape.mesh.textureCoords.size(), expected.textureCoords);
        EXPECT_EQ (shape.mesh.indices, expected.indices);
        expectMeshIsSound (shape.mesh);
    }
}

INSTANTIATE_TEST_SUITE_P (Cases, Loader, ::testing::ValuesIn (loaderCases),
                          [] (const ::testing::TestParamInfo<LoaderCase>& param)
                          {
                              // "a two-corner face adds no indices" -> "ATwoCornerFaceAddsNoIndices"
                              std::string name;
                              bool upper = true;
                              for (const char* c = param.param.what; *c != 0; ++c)
                              {
                                  if (std::isalnum ((unsigned char) *c))
                                  {
                                      name += upper ? (char) std::toupper ((unsigned char) *c) : *c;
                                      upper = false;
                                  }
                                  else
                                  {
                                      upper = true;
                                  }
                              }
                              return name;
                          });

TEST (WavefrontObjFile, ReadsCoordinatesAsWrittenAndSharesVerticesInOrderOfFirstUse)
{
    WavefrontObjFile obj;
    obj.load ("v 1.5 -2 3e1 ignored\nv 4 5 6\nv 7 8 9\nvt 0.25 0.75 0.5\nvn 0 2 0\n"
              "f 3/1/1 1/1/1 2/1/1\nf 2/1/1 1/1/1 3/1/1\n");
    ASSERT_EQ (obj.shapes.size(), 1);
    const auto& mesh = obj.shapes[0]->mesh;

    ASSERT_EQ (mesh.positions.size(), 3u);
    EXPECT_FLOAT_EQ (mesh.positions[0].x, 7.0f);
    EXPECT_FLOAT_EQ (mesh.positions[1].x, 1.5f);
    EXPECT_FLOAT_EQ (mesh.positions[1].y, -2.0f);
    EXPECT_FLOAT_EQ (mesh.positions[1].z, 30.0f);
    EXPECT_FLOAT_EQ (mesh.textureCoords[0].u, 0.25f);
    EXPECT_FLOAT_EQ (mesh.textureCoords[0].v, 0.75f);   // not flipped
    EXPECT_FLOAT_EQ (mesh.normals[0].y, 2.0f);          // not normalised
    EXPECT_EQ (mesh.indices, (std::vector<uint32_t> { 0, 1, 2, 2, 1, 0 }));
}

TEST (WavefrontObjFile, KeepsNormalsInStepWhenOnlySomeCornersGiveThem)
{
    WavefrontObjFile obj;
    obj.load ("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvt 0.1 0.2\n"
              "f 1 2 3\nf 1/1/1 3/1/1 4/1/1\n");
    ASSERT_EQ (obj.shapes.size(), 1);
    const auto& mesh = obj.shapes[0]->mesh;

    // Vertices 0-2 lack both; vertices 3-5 (corners 1, 3, 4 with both) have them at their own numbers.
    ASSERT_EQ (mesh.positions.size(), 6u);
    ASSERT_EQ (mesh.normals.size(), 6u);
    ASSERT_EQ (mesh.textureCoords.size(), 6u);
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_FLOAT_EQ (mesh.normals[i].x, WavefrontObjFile::missingNormal.x);
        EXPECT_FLOAT_EQ (mesh.textureCoords[i].u, WavefrontObjFile::missingTextureCoord.u);
    }
    for (size_t i = 3; i < 6; ++i)
    {
        EXPECT_FLOAT_EQ (mesh.normals[i].z, 1.0f);
        EXPECT_FLOAT_EQ (mesh.textureCoords[i].v, 0.2f);
    }
    EXPECT_FLOAT_EQ (mesh.positions[5].y, 1.0f);
}

TEST (WavefrontObjFile, LoadingAgainReplacesTheShapes)
{
    WavefrontObjFile obj;
    obj.load ("v 0 0 0\nv 1 0 0\nv 1 1 0\no a\nf 1 2 3\no b\nf 1 2 3\n");
    ASSERT_EQ (obj.shapes.size(), 2);
    EXPECT_TRUE (obj.load ("").wasOk());
    EXPECT_EQ (obj.shapes.size(), 0);
}

TEST (WavefrontObjFile, MatchTokenNeedsWhitespaceOrTheEndAfterTheKeyword)
{
    struct Row { const char* text; const char* keyword; bool matches; const char* rest; };
    const Row rows[] = {
        { "v 1 2 3", "v", true, "1 2 3" },
        { "vn 1 2 3", "v", false, "vn 1 2 3" },
        { "v", "v", true, "" },
        { "v \t  x", "v", true, "x" },
        { "usemtl\tskin", "usemtl", true, "skin" },
        { "usemt", "usemtl", false, "usemt" },
    };

    for (const auto& row : rows)
    {
        const auto text = juce::String::fromUTF8 (row.text);
        auto t = text.getCharPointer();
        EXPECT_EQ (WavefrontObjFile::matchToken (t, row.keyword), row.matches) << row.text;
        EXPECT_EQ (juce::String (t), juce::String::fromUTF8 (row.rest)) << row.text;
    }
}

TEST (WavefrontObjFile, ParsesFaceCornersAsWritten)
{
    using T = WavefrontObjFile::TripleIndex;
    struct Row { const char* text; std::vector<T> corners; };
    const Row rows[] = {
        { "1 2 3", { { 0, -1, -1 }, { 1, -1, -1 }, { 2, -1, -1 } } },
        { "1/2 3/4", { { 0, 1, -1 }, { 2, 3, -1 } } },
        { "1//2 3//4", { { 0, -1, 1 }, { 2, -1, 3 } } },
        { "1/2/3\t4/5/6", { { 0, 1, 2 }, { 3, 4, 5 } } },
        { "-1 0 +7", { { -2, -1, -1 }, { -1, -1, -1 }, { 6, -1, -1 } } },
        { "1/2/3 ", { { 0, 1, 2 } } },
        { "", {} },
    };

    for (const auto& row : rows)
    {
        const juce::String text (row.text);
        const auto face = WavefrontObjFile::parseFace (text.getCharPointer());
        EXPECT_EQ (face.corners, row.corners) << row.text;
    }
}

TEST (WavefrontObjFile, TripleIndexOrdersByPositionThenTextureThenNormal)
{
    using T = WavefrontObjFile::TripleIndex;
    EXPECT_TRUE ((T { 0, 5, 5 } < T { 1, 0, 0 }));
    EXPECT_TRUE ((T { 1, 0, 5 } < T { 1, 1, 0 }));
    EXPECT_TRUE ((T { 1, 1, 0 } < T { 1, 1, 1 }));
    EXPECT_FALSE ((T { 1, 1, 1 } < T { 1, 1, 1 }));
}

//==============================================================================
class MaterialLibrary : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("model");
        ASSERT_TRUE (folder.createDirectory());
        obj.sourceFile = folder.getChildFile ("model.obj");
    }

    juce::File folder;
    WavefrontObjFile obj;
};

TEST_F (MaterialLibrary, UsemtlTakesTheLaterOfTwoSameNamedMaterialsAndInheritsUnsetValues)
{
    ASSERT_TRUE (folder.getChildFile ("lib.mtl").replaceWithText (
        "Ns 7\n"
        "newmtl skin\nKd 1 0 0\nNi 1.5\nmap_Kd  skin.png \n"
        "newmtl skin\nKd 0 1 0\nillum 2\nBump\tbump.png\n"
        "newmtl other\nKa 0.1 0.2 0.3\n"));

    ASSERT_TRUE (obj.load ("mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                           "o a\nusemtl skin\nf 1 2 3\n"
                           "o b\nusemtl nothing-like-it\nf 1 2 3\n"
                           "o c\nusemtl other\nusemtl  skin \nf 1 2 3\n").wasOk());
    ASSERT_EQ (obj.shapes.size(), 3);

    const auto& skin = obj.shapes[0]->material;
    EXPECT_EQ (skin.name, "skin");
    EXPECT_FLOAT_EQ (skin.diffuse.x, 0.0f);
    EXPECT_FLOAT_EQ (skin.diffuse.y, 1.0f);
    EXPECT_FLOAT_EQ (skin.specularExponent, 7.0f);   // inherited from before the first newmtl
    EXPECT_FLOAT_EQ (skin.refractionIndex, 1.5f);    // inherited from the first "skin"
    EXPECT_EQ (skin.diffuseMap, "skin.png");
    EXPECT_EQ (skin.extraParameters["ILLUM"], "2");
    EXPECT_EQ (skin.extraParameters["bump"], "bump.png");

    // An unknown name keeps the material current at the time.
    EXPECT_EQ (obj.shapes[1]->material.name, "skin");
    EXPECT_EQ (obj.shapes[2]->material.name, "skin");
    EXPECT_FLOAT_EQ (obj.shapes[2]->material.ambient.z, 0.0f);
}

TEST_F (MaterialLibrary, AMissingLibraryIsReportedAndLeavesTheDefaultMaterial)
{
    std::vector<WavefrontObjFile::Material> materials;
    const auto result = obj.loadMaterialLibrary ("absent.mtl", materials);
    EXPECT_TRUE (result.failed());
    EXPECT_EQ (result.getErrorMessage(), "Cannot open file: absent.mtl");

    ASSERT_TRUE (obj.load ("mtllib absent.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl skin\nf 1 2 3\n").wasOk());
    ASSERT_EQ (obj.shapes.size(), 1);
    const auto& m = obj.shapes[0]->material;
    EXPECT_EQ (m.name, "");
    EXPECT_FLOAT_EQ (m.specularExponent, 1.0f);
    EXPECT_FLOAT_EQ (m.refractionIndex, 0.0f);
}

TEST (WavefrontObjFileText, TextWithoutASourceFileReadsNoLibrary)
{
    // Text loaded from memory must not pick up a file that happens to lie in the root folder.
    WavefrontObjFile obj;
    std::vector<WavefrontObjFile::Material> materials;
    EXPECT_TRUE (obj.loadMaterialLibrary ("Character_Head_Model.mtl", materials).failed());
    EXPECT_TRUE (materials.empty());
}

TEST (WavefrontObjFile, ReadsNumbersExactlyAsTheFrameworkDoes)
{
    const char* const numbers[] = { "0", "-0.000000", "1.5", "-2.428000", "2.047", "0.1", "0.3", "1e3", "-1.25E-2",
                                    "123456789012345", "1234567890.123456789", ".5", "5.", "+7.25", "0.000001",
                                    "3.4028235e38", "1e-50", "-.", "abc", "nan", "inf", "  \t 0.333333" };
    for (const auto* n : numbers)
    {
        const auto text = juce::String (n) + " " + n + " " + n + " rest";
        auto ours = text.getCharPointer();
        const auto v = WavefrontObjFile::parseVertex (ours);

        auto reference = text.getCharPointer();
        for (float component : { v.x, v.y, v.z })
        {
            while (reference.isWhitespace())
                ++reference;
            const auto expected = (float) juce::CharacterFunctions::readDoubleValue (reference);
            if (std::isnan (expected))
                EXPECT_TRUE (std::isnan (component)) << n;
            else
                EXPECT_EQ (component, expected) << n;
        }
        EXPECT_EQ (juce::String (ours), juce::String (reference)) << n;
    }
}

TEST (WavefrontObjFile, LoadSplitsLinesAsStringArrayDoes)
{
    const juce::String text ("v 0 0 0\rv 1 0 0\r\nv 1 1 0\n\nv 0 1 0\r\rf 1 2 3 4\r\no x\n\rf 4 3 2");
    WavefrontObjFile loaded, fromLines;
    loaded.load (text);
    fromLines.parseObjFile (juce::StringArray::fromLines (text));

    ASSERT_EQ (loaded.shapes.size(), 2);
    ASSERT_EQ (fromLines.shapes.size(), 2);
    for (int s = 0; s < 2; ++s)
    {
        EXPECT_EQ (loaded.shapes[s]->name, fromLines.shapes[s]->name);
        EXPECT_EQ (loaded.shapes[s]->mesh.indices, fromLines.shapes[s]->mesh.indices);
        EXPECT_EQ (loaded.shapes[s]->mesh.positions.size(), fromLines.shapes[s]->mesh.positions.size());
    }
    EXPECT_EQ (loaded.shapes[0]->mesh.indices, (std::vector<uint32_t> { 0, 1, 2, 0, 2, 3 }));
}
