// The OBJ loader on arbitrary text: no crash, and in every built shape each index addresses a
// position, the per-vertex arrays are no longer than the positions, and faces are triangles.
#include "view/WavefrontObjFile.h"

#include <cstdio>
#include <cstdlib>

namespace
{
void fail (const char* what, size_t shape)
{
    std::fprintf (stderr, "OBJ shape %zu: %s\n", shape, what);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    WavefrontObjFile obj;
    // As a file is read: text that is not UTF-8 is taken as Windows-1252.
    obj.load (juce::String::createStringFromData (data, (int) size));

    for (size_t s = 0; s < (size_t) obj.shapes.size(); ++s)
    {
        const auto& mesh = obj.shapes.getUnchecked ((int) s)->mesh;

        for (auto index : mesh.indices)
            if (index >= mesh.positions.size())
                fail ("index past the positions", s);

        if (mesh.normals.size() > mesh.positions.size())
            fail ("more normals than positions", s);

        if (mesh.textureCoords.size() > mesh.positions.size())
            fail ("more texture coordinates than positions", s);
    }

    return 0;
}
