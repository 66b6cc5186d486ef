#pragma once

#include "view/WavefrontObjFile.h"

#include <juce_opengl/juce_opengl.h>

#include <atomic>
#include <cstdint>

// The wizard's 3-D head: the embedded head model turned by the head tracker's angles, with one
// dot per sampled direction. The wizard writes the angle and dot fields on the message thread;
// everything else happens on the OpenGL rendering thread.
class BinauralHeadView : public juce::Component,
                         public juce::OpenGLRenderer
{
public:
    BinauralHeadView();
    ~BinauralHeadView() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void lookAndFeelChanged() override;
    void parentHierarchyChanged() override;
    void colourChanged() override;

    void newOpenGLContextCreated() override;
    void renderOpenGL() override;
    void openGLContextClosing() override;

    void createShaders();

    // The layout of a vertex in the vertex buffers.
    struct GpuVertex
    {
        Vec3 position;
        Vec3 normal;
        float colour[4];
        Vec2 textureCoord;
    };

    // The GPU copy of one model shape. The buffers belong to the context that was current
    // when it was made and are deleted with it.
    struct MeshBuffers
    {
        MeshBuffers (const WavefrontObjFile::Shape& shape, juce::OpenGLContext& context);
        ~MeshBuffers();

        void bind() const;

        uint32_t vertexBuffer = 0;
        uint32_t indexBuffer = 0;
        int32_t numIndices = 0;
        int32_t numVertices = 0;
        juce::OpenGLContext& openGLContext;

        JUCE_DECLARE_NON_COPYABLE (MeshBuffers)
    };

    // The parsed head and one set of buffers per shape of it.
    struct Shape
    {
        explicit Shape (juce::OpenGLContext& context);

        WavefrontObjFile model;
        juce::OwnedArray<MeshBuffers> buffers;
    };

    // A second copy of the head whose vertex buffer stores the dots.
    struct ShapeDots : Shape
    {
        using Shape::Shape;
    };

    struct Attributes
    {
        explicit Attributes (juce::OpenGLShaderProgram& program);

        void enable() const;
        void disable() const;

        std::unique_ptr<juce::OpenGLShaderProgram::Attribute> position, normal, sourceColour, textureCoordIn;
    };

    struct UniformLocations
    {
        explicit UniformLocations (juce::OpenGLShaderProgram& program);

        std::unique_ptr<juce::OpenGLShaderProgram::Uniform> projectionMatrix, viewMatrix, modelMatrix, lightPosition;
    };

    // The vertex that marks the model-frame direction now facing the viewer.
    static GpuVertex makeDotVertex (const juce::Matrix3D<float>& model) noexcept;

    static const char* const vertexShaderText;
    static const char* const fragmentShaderText;

    juce::String vertexShaderSource, fragmentShaderSource;
    std::unique_ptr<juce::OpenGLShaderProgram> shader;
    std::unique_ptr<Shape> shape;
    std::unique_ptr<ShapeDots> dots;
    std::unique_ptr<Attributes> attributes;
    std::unique_ptr<UniformLocations> uniforms;

    juce::OpenGLContext openGLContext;

    // Written by the wizard (release), read by the rendering thread (acquire).
    std::atomic<float> angleZ { 0.0f }, angleX { 0.0f }, angleY { 0.0f };
    std::atomic<int> dotCount { 0 };
    std::atomic<bool> dotPending { false };

private:
    void updateCachedState();

    // What the rendering thread needs of the component, copied on the message thread.
    std::atomic<uint32_t> backgroundArgb { 0xff000000 };
    std::atomic<int> viewWidth { 0 }, viewHeight { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BinauralHeadView)
};

static_assert (sizeof (BinauralHeadView::GpuVertex) == 48, "vertex layout must be packed");
