// Loading the embedded head model: our loader against tinyobjloader on the same text.
#include <benchmark/benchmark.h>

#include "view/HeadModelText.h"
#include "view/WavefrontObjFile.h"

#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>

namespace
{
void BM_HeadModelLoad_WavefrontObjFile (benchmark::State& state)
{
    const auto text = getHeadModelText();
    for (auto _ : state)
    {
        WavefrontObjFile obj;
        obj.load (text);
        benchmark::DoNotOptimize (obj.shapes.getFirst()->mesh.indices.data());
    }
    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.getNumBytesAsUTF8());
}

void BM_HeadModelLoad_TinyObjLoader (benchmark::State& state)
{
    const auto text = getHeadModelText().toStdString();
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.vertex_color = false;
    for (auto _ : state)
    {
        tinyobj::ObjReader reader;
        reader.ParseFromString (text, "", config);
        benchmark::DoNotOptimize (reader.GetShapes().data());
    }
    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.size());
}
} // namespace

BENCHMARK (BM_HeadModelLoad_WavefrontObjFile)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_HeadModelLoad_TinyObjLoader)->Unit (benchmark::kMillisecond);
