#include <gtest/gtest.h>

#include "view/HeadModelText.h"
#include "view/HeadViewMath.h"
#include "view/WavefrontObjFile.h"

#include <BinaryData.h>

#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>

#include <Eigen/Dense>

#include <array>
#include <cstring>
#include <map>
#include <set>

namespace
{
// The embedded model read line by line: its vertices and, per material, the position numbers
// its faces use.
struct ModelText
{
    std::vector<Eigen::Vector3f> positions, normals;
    size_t textureCoords = 0;
    std::vector<std::string> materialOrder;
    std::map<std::string, std::vector<int>> faceCorners;   // 0-based position numbers, 4 per face
    std::map<std::string, size_t> faceCount;
};

ModelText readModelText()
{
    ModelText m;
    juce::StringArray lines;
    lines.addLines (getHeadModelText());
    std::string material;

    for (const auto& line : lines)
    {
        auto tokens = juce::StringArray::fromTokens (line, " ", "");
        if (tokens[0] == "v")
            m.positions.emplace_back (tokens[1].getFloatValue(), tokens[2].getFloatValue(), tokens[3].getFloatValue());
        else if (tokens[0] == "vn")
            m.normals.emplace_back (tokens[1].getFloatValue(), tokens[2].getFloatValue(), tokens[3].getFloatValue());
        else if (tokens[0] == "vt")
            ++m.textureCoords;
        else if (tokens[0] == "usemtl")
        {
            material = tokens[1].toStdString();
            m.materialOrder.push_back (material);
        }
        else if (tokens[0] == "f")
        {
            ++m.faceCount[material];
            for (int c = 1; c < tokens.size(); ++c)
                m.faceCorners[material].push_back (tokens[c].getIntValue() - 1);
        }
    }
    return m;
}

Eigen::Vector3f centroid (const ModelText& m, const std::string& material, bool positiveX)
{
    Eigen::Vector3f sum = Eigen::Vector3f::Zero();
    int n = 0;
    for (int v : m.faceCorners.at (material))
    {
        const auto& p = m.positions[(size_t) v];
        if ((p.x() > 0.0f) == positiveX)
        {
            sum += p;
            ++n;
        }
    }
    return sum / (float) std::max (n, 1);
}
} // namespace

TEST (HeadModel, TextHasTheModelsStructureLineForLine)
{
    const juce::String text (juce::CharPointer_UTF8 (BinaryData::HeadModel_obj),
                             juce::CharPointer_UTF8 (BinaryData::HeadModel_obj + BinaryData::HeadModel_objSize));
    EXPECT_EQ (getHeadModelText(), text);
    EXPECT_FALSE (text.containsChar ('\r'));
    ASSERT_TRUE (text.endsWithChar ('\n'));

    juce::StringArray lines;
    lines.addLines (text);
    lines.removeRange (lines.size() - 1, 1);   // after the final line feed

    std::map<juce::String, int> keywordCount;
    juce::StringArray materials;
    int lastFaceLine = -1, objectLine = -1, firstFaceLine = -1;
    int badCorners = 0, trailingWhitespace = 0;

    for (int i = 0; i < lines.size(); ++i)
    {
        const auto& line = lines[i];
        if (line != line.trimEnd())
            ++trailingWhitespace;

        const auto keyword = line.upToFirstOccurrenceOf (" ", false, false);
        ++keywordCount[keyword];

        if (keyword == "usemtl")
            materials.add (line.fromFirstOccurrenceOf (" ", false, false));
        if (keyword == "o")
            objectLine = i;
        if (keyword == "f")
        {
            if (firstFaceLine < 0)
                firstFaceLine = i;
            lastFaceLine = i;

            const auto corners = juce::StringArray::fromTokens (line.substring (2), " ", "");
            if (corners.size() != 4)
                ++badCorners;
            for (const auto& c : corners)
            {
                const auto parts = juce::StringArray::fromTokens (c, "/", "");
                if (parts.size() != 3 || parts[0] != parts[2] || parts[1].getIntValue() <= 0 || parts[0].getIntValue() <= 0)
                    ++badCorners;
            }
        }
    }

    EXPECT_TRUE (lines[0].startsWith ("#"));
    EXPECT_TRUE (lines[1].startsWith ("#"));
    EXPECT_EQ (keywordCount.size(), 9u);   // only the keywords below
    EXPECT_EQ (keywordCount["#"], 2);
    EXPECT_EQ (keywordCount["v"], 5008);
    EXPECT_EQ (keywordCount["vn"], 5008);
    EXPECT_EQ (keywordCount["vt"], 5363);
    EXPECT_EQ (keywordCount["f"], 4864);
    EXPECT_EQ (keywordCount["s"], 1);
    EXPECT_EQ (keywordCount["mtllib"], 1);
    EXPECT_EQ (keywordCount["o"], 1);
    EXPECT_EQ (keywordCount["usemtl"], 4);
    EXPECT_TRUE (lines.contains ("mtllib Character_Head_Model.mtl"));
    EXPECT_TRUE (lines.contains ("o boy_head.001_Mesh.012"));
    EXPECT_TRUE (lines.contains ("s 1"));
    EXPECT_LT (objectLine, firstFaceLine);
    EXPECT_EQ (lastFaceLine, lines.size() - 1);
    EXPECT_EQ (badCorners, 0);
    EXPECT_EQ (trailingWhitespace, 0);
    EXPECT_EQ (materials, juce::StringArray ({ "Skin_and_mouthCavity.001", "Eyeball.001", "Pupil.001", "Teeth.001" }));

    const auto m = readModelText();
    EXPECT_EQ (m.faceCount.at ("Skin_and_mouthCavity.001"), 2532u);
    EXPECT_EQ (m.faceCount.at ("Eyeball.001"), 1344u);
    EXPECT_EQ (m.faceCount.at ("Pupil.001"), 384u);
    EXPECT_EQ (m.faceCount.at ("Teeth.001"), 604u);

    for (const auto& n : m.normals)
        ASSERT_NEAR (n.norm(), 1.0f, 2e-4f);
}

TEST (HeadModel, LoadsAsOneShapeWithEveryVertexComplete)
{
    WavefrontObjFile obj;
    ASSERT_TRUE (obj.load (getHeadModelText()).wasOk());
    ASSERT_EQ (obj.shapes.size(), 1);

    const auto& shape = *obj.shapes[0];
    EXPECT_EQ (shape.name, "boy_head.001_Mesh.012");
    EXPECT_EQ (shape.mesh.positions.size(), 5363u);
    EXPECT_EQ (shape.mesh.normals.size(), 5363u);
    EXPECT_EQ (shape.mesh.textureCoords.size(), 5363u);
    EXPECT_EQ (shape.mesh.indices.size(), 29184u);
    EXPECT_EQ (shape.material.name, "");
    EXPECT_FLOAT_EQ (shape.material.specularExponent, 1.0f);

    Vec3 lo = shape.mesh.positions[0], hi = lo;
    float maxRadius = 0.0f;
    for (const auto& p : shape.mesh.positions)
    {
        lo = { std::min (lo.x, p.x), std::min (lo.y, p.y), std::min (lo.z, p.z) };
        hi = { std::max (hi.x, p.x), std::max (hi.y, p.y), std::max (hi.z, p.z) };
        maxRadius = std::max (maxRadius, std::sqrt (p.x * p.x + p.y * p.y + p.z * p.z));
    }

    EXPECT_NEAR (lo.x, -2.228f, 0.01f);
    EXPECT_NEAR (hi.x, 2.228f, 0.01f);
    EXPECT_NEAR (lo.y, -2.428f, 0.01f);
    EXPECT_NEAR (hi.y, 2.047f, 0.01f);
    EXPECT_NEAR (lo.z, -2.014f, 0.01f);
    EXPECT_NEAR (hi.z, 2.026f, 0.01f);

    // Scaled for drawing, the head stays well inside the sphere the dots lie on.
    EXPECT_LT (maxRadius * headview::modelScale, 0.55f);
}

TEST (HeadModel, PeerLoaderReadsTheSameCounts)
{
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    ASSERT_TRUE (reader.ParseFromString (getHeadModelText().toStdString(), "", config)) << reader.Error();

    const auto& attrib = reader.GetAttrib();
    EXPECT_EQ (attrib.vertices.size() / 3, 5008u);
    EXPECT_EQ (attrib.normals.size() / 3, 5008u);
    EXPECT_EQ (attrib.texcoords.size() / 2, 5363u);

    size_t triangles = 0;
    for (const auto& s : reader.GetShapes())
        triangles += s.mesh.num_face_vertices.size();
    EXPECT_EQ (triangles, 9728u);
    ASSERT_EQ (reader.GetShapes().size(), 1u);
    EXPECT_EQ (reader.GetShapes()[0].name, "boy_head.001_Mesh.012");

    // Each quad covers the same four corners in both (the peer may split it along the other
    // diagonal).
    WavefrontObjFile obj;
    obj.load (getHeadModelText());
    const auto& ours = obj.shapes[0]->mesh;
    const auto& theirs = reader.GetShapes()[0].mesh.indices;
    ASSERT_EQ (theirs.size(), ours.indices.size());

    int mismatches = 0;
    for (size_t q = 0; q < theirs.size(); q += 6)
    {
        std::set<std::array<float, 3>> a, b;
        for (size_t k = q; k < q + 6; ++k)
        {
            const auto& p = ours.positions[ours.indices[k]];
            a.insert ({ p.x, p.y, p.z });
            const auto* t = &attrib.vertices[3 * (size_t) theirs[k].vertex_index];
            b.insert ({ t[0], t[1], t[2] });
        }
        mismatches += a != b ? 1 : 0;
    }
    EXPECT_EQ (mismatches, 0);
}

TEST (HeadModel, IsAHeadFacingPlusZWithEyesAboveTeeth)
{
    const auto m = readModelText();

    for (bool positiveX : { true, false })
    {
        SCOPED_TRACE (positiveX ? "+x side" : "-x side");
        const auto eye = centroid (m, "Eyeball.001", positiveX);
        const auto pupil = centroid (m, "Pupil.001", positiveX);

        // The eyes are at the front, one on each side, their pupils in front of them.
        EXPECT_GT (eye.z(), 0.8f);
        EXPECT_GT (std::abs (eye.x()), 0.3f);
        EXPECT_GT (pupil.z(), eye.z() + 0.2f);
        EXPECT_NEAR (pupil.x(), eye.x(), 0.05f);
        EXPECT_NEAR (pupil.y(), eye.y(), 0.05f);
    }

    // Teeth below the eyes and in front; the eyes mirror each other.
    const auto teeth = centroid (m, "Teeth.001", true);
    const auto eyeRight = centroid (m, "Eyeball.001", true), eyeLeft = centroid (m, "Eyeball.001", false);
    EXPECT_NEAR (eyeRight.x(), -eyeLeft.x(), 1e-3f);
    EXPECT_NEAR (eyeRight.y(), eyeLeft.y(), 1e-3f);
    EXPECT_LT (teeth.y(), eyeRight.y() - 0.8f);
    EXPECT_GT (teeth.z(), 1.0f);

    // Skin reaches furthest forward at the nose, on the middle line between eyes and teeth,
    // and furthest out sideways at the ears, behind the face.
    const auto& skinCorners = m.faceCorners.at ("Skin_and_mouthCavity.001");
    Eigen::Vector3f front = m.positions[(size_t) skinCorners[0]], side = front;
    for (int v : skinCorners)
    {
        const auto& p = m.positions[(size_t) v];
        if (p.z() > front.z()) front = p;
        if (p.x() > side.x()) side = p;
    }
    EXPECT_NEAR (front.x(), 0.0f, 1e-3f);
    EXPECT_LT (front.y(), eyeRight.y());
    EXPECT_GT (front.y(), teeth.y());
    EXPECT_NEAR (side.x(), 2.228f, 0.01f);
    EXPECT_LT (side.z(), 0.5f);
}

TEST (HeadModel, LoadGivesTheSameMeshAsParsingItsLines)
{
    const auto text = getHeadModelText();
    WavefrontObjFile loaded, fromLines;
    loaded.load (text);
    fromLines.parseObjFile (juce::StringArray::fromLines (text));
    ASSERT_EQ (loaded.shapes.size(), 1);
    ASSERT_EQ (fromLines.shapes.size(), 1);

    const auto& a = loaded.shapes[0]->mesh;
    const auto& b = fromLines.shapes[0]->mesh;
    EXPECT_EQ (a.indices, b.indices);
    ASSERT_EQ (a.positions.size(), b.positions.size());
    EXPECT_EQ (std::memcmp (a.positions.data(), b.positions.data(), a.positions.size() * sizeof (Vec3)), 0);
    EXPECT_EQ (std::memcmp (a.normals.data(), b.normals.data(), a.normals.size() * sizeof (Vec3)), 0);
    EXPECT_EQ (std::memcmp (a.textureCoords.data(), b.textureCoords.data(), a.textureCoords.size() * sizeof (Vec2)), 0);
}
