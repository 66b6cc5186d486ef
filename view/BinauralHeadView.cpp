#include "view/BinauralHeadView.h"

#include "view/HeadModelText.h"
#include "view/HeadViewMath.h"

using namespace juce::gl;

namespace
{
constexpr GLsizei vertexStride = (GLsizei) sizeof (BinauralHeadView::GpuVertex);

// juce::Colours::green as floats.
constexpr float dotAndVertexColour[4] = { 0.0f, 128.0f / 255.0f, 0.0f, 1.0f };

std::unique_ptr<juce::OpenGLShaderProgram::Attribute> findAttribute (juce::OpenGLShaderProgram& program, const char* name)
{
    if (glGetAttribLocation (program.getProgramID(), name) < 0)
        return nullptr;

    return std::make_unique<juce::OpenGLShaderProgram::Attribute> (program, name);
}

std::unique_ptr<juce::OpenGLShaderProgram::Uniform> findUniform (juce::OpenGLShaderProgram& program, const char* name)
{
    if (glGetUniformLocation (program.getProgramID(), name) < 0)
        return nullptr;

    return std::make_unique<juce::OpenGLShaderProgram::Uniform> (program, name);
}

void pointAttribute (const juce::OpenGLShaderProgram::Attribute* attribute, GLint size, size_t offset)
{
    if (attribute == nullptr)
        return;

    glVertexAttribPointer (attribute->attributeID, size, GL_FLOAT, GL_FALSE, vertexStride, (GLvoid*) offset);
    glEnableVertexAttribArray (attribute->attributeID);
}

void disableAttribute (const juce::OpenGLShaderProgram::Attribute* attribute)
{
    if (attribute != nullptr)
        glDisableVertexAttribArray (attribute->attributeID);
}
} // namespace

//==============================================================================
const char* const BinauralHeadView::vertexShaderText =
    "attribute vec4 position;\n"
    "attribute vec4 normal;\n"
    "\n"
    "uniform mat4 projectionMatrix;\n"
    "uniform mat4 viewMatrix;\n"
    "uniform mat4 modelMatrix;\n"
    "uniform vec4 lightPosition;\n"
    "\n"
    "varying float lightIntensity;\n"
    "\n"
    "void main()\n"
    "{\n"
    "    vec4 light =  (viewMatrix * lightPosition) * modelMatrix;\n"
    "    lightIntensity = dot(light, normal);\n"
    "\n"
    "    gl_Position = projectionMatrix * viewMatrix * modelMatrix * position;\n"
    "}\n";

const char* const BinauralHeadView::fragmentShaderText =
    "varying float lightIntensity;\n"
    "\n"
    "void main()\n"
    "{\n"
    "\tfloat l = lightIntensity * 0.1;\n"
    "\tvec4 colour = vec4(l, l, l, 1.0);\n"
    "\n"
    "\tgl_FragColor = colour;\n"
    "}\n";

//==============================================================================
BinauralHeadView::MeshBuffers::MeshBuffers (const WavefrontObjFile::Shape& source, juce::OpenGLContext& context)
    : openGLContext (context)
{
    const auto& mesh = source.mesh;
    numIndices = (int32_t) mesh.indices.size();
    numVertices = (int32_t) mesh.positions.size();

    glGenBuffers (1, &vertexBuffer);
    glBindBuffer (GL_ARRAY_BUFFER, vertexBuffer);

    const auto scale = headview::modelScale;
    std::vector<GpuVertex> vertices;
    vertices.reserve (mesh.positions.size());

    for (size_t i = 0; i < mesh.positions.size(); ++i)
    {
        const auto& p = mesh.positions[i];
        const auto n = i < mesh.normals.size() ? mesh.normals[i] : WavefrontObjFile::missingNormal;
        const auto uv = i < mesh.textureCoords.size() ? mesh.textureCoords[i] : WavefrontObjFile::missingTextureCoord;

        GpuVertex v;
        v.position = { scale * p.x, scale * p.y, scale * p.z };
        v.normal = { scale * n.x, scale * n.y, scale * n.z };
        std::copy (std::begin (dotAndVertexColour), std::end (dotAndVertexColour), v.colour);
        v.textureCoord = uv;
        vertices.push_back (v);
    }

    glBufferData (GL_ARRAY_BUFFER, (GLsizeiptr) (vertices.size() * sizeof (GpuVertex)), vertices.data(), GL_STATIC_DRAW);

    glGenBuffers (1, &indexBuffer);
    glBindBuffer (GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData (GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr) (mesh.indices.size() * sizeof (uint32_t)), mesh.indices.data(), GL_STATIC_DRAW);
}

BinauralHeadView::MeshBuffers::~MeshBuffers()
{
    glDeleteBuffers (1, &vertexBuffer);
    glDeleteBuffers (1, &indexBuffer);
}

void BinauralHeadView::MeshBuffers::bind() const
{
    glBindBuffer (GL_ARRAY_BUFFER, vertexBuffer);
    glBindBuffer (GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
}

BinauralHeadView::Shape::Shape (juce::OpenGLContext& context)
{
    if (model.load (getHeadModelText()).wasOk())
        for (auto* s : model.shapes)
            buffers.add (new MeshBuffers (*s, context));
}

BinauralHeadView::Attributes::Attributes (juce::OpenGLShaderProgram& program)
    : position (findAttribute (program, "position")),
      normal (findAttribute (program, "normal")),
      sourceColour (findAttribute (program, "sourceColour")),
      textureCoordIn (findAttribute (program, "textureCoordIn"))
{
}

void BinauralHeadView::Attributes::enable() const
{
    pointAttribute (position.get(), 3, offsetof (GpuVertex, position));
    pointAttribute (normal.get(), 3, offsetof (GpuVertex, normal));
    pointAttribute (sourceColour.get(), 4, offsetof (GpuVertex, colour));
    pointAttribute (textureCoordIn.get(), 2, offsetof (GpuVertex, textureCoord));
}

void BinauralHeadView::Attributes::disable() const
{
    disableAttribute (position.get());
    disableAttribute (normal.get());
    disableAttribute (sourceColour.get());
    disableAttribute (textureCoordIn.get());
}

BinauralHeadView::UniformLocations::UniformLocations (juce::OpenGLShaderProgram& program)
    : projectionMatrix (findUniform (program, "projectionMatrix")),
      viewMatrix (findUniform (program, "viewMatrix")),
      modelMatrix (findUniform (program, "modelMatrix")),
      lightPosition (findUniform (program, "lightPosition"))
{
}

//==============================================================================
BinauralHeadView::BinauralHeadView()
{
    setOpaque (true);
    updateCachedState();
    openGLContext.setRenderer (this);
    openGLContext.attachTo (*this);
    openGLContext.setContinuousRepainting (true);
}

BinauralHeadView::~BinauralHeadView()
{
    // Closing the context releases the GL objects on the rendering thread while they still exist.
    openGLContext.detach();
}

void BinauralHeadView::paint (juce::Graphics&)
{
}

void BinauralHeadView::resized()
{
    updateCachedState();
}

void BinauralHeadView::lookAndFeelChanged()
{
    updateCachedState();
}

void BinauralHeadView::parentHierarchyChanged()
{
    updateCachedState();
}

void BinauralHeadView::colourChanged()
{
    updateCachedState();
}

void BinauralHeadView::updateCachedState()
{
    backgroundArgb.store (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId).getARGB(),
                          std::memory_order_release);
    viewWidth.store (getWidth(), std::memory_order_release);
    viewHeight.store (getHeight(), std::memory_order_release);
}

//==============================================================================
void BinauralHeadView::newOpenGLContextCreated()
{
    glClearColor (0.0f, 0.0f, 0.0f, 1.0f);
    createShaders();
}

void BinauralHeadView::createShaders()
{
    vertexShaderSource = vertexShaderText;
    fragmentShaderSource = fragmentShaderText;

    auto newShader = std::make_unique<juce::OpenGLShaderProgram> (openGLContext);

    if (! (newShader->addVertexShader (juce::OpenGLHelpers::translateVertexShaderToV3 (vertexShaderSource))
           && newShader->addFragmentShader (juce::OpenGLHelpers::translateFragmentShaderToV3 (fragmentShaderSource))
           && newShader->link()))
        return;

    shape.reset();
    dots.reset();
    attributes.reset();
    uniforms.reset();

    shader = std::move (newShader);
    shader->use();

    shape = std::make_unique<Shape> (openGLContext);
    dots = std::make_unique<ShapeDots> (openGLContext);
    attributes = std::make_unique<Attributes> (*shader);
    uniforms = std::make_unique<UniformLocations> (*shader);
}

BinauralHeadView::GpuVertex BinauralHeadView::makeDotVertex (const juce::Matrix3D<float>& model) noexcept
{
    const auto d = headview::getDotDirection (model);
    const auto r = headview::dotRadius;

    GpuVertex v;
    v.position = { r * d.x, r * d.y, r * d.z };
    v.normal = v.position;
    std::copy (std::begin (dotAndVertexColour), std::end (dotAndVertexColour), v.colour);
    v.textureCoord = { 0.5f, 0.5f };
    return v;
}

void BinauralHeadView::renderOpenGL()
{
    jassert (juce::OpenGLHelpers::isContextActive());

    const auto scale = (float) openGLContext.getRenderingScale();
    const auto width = (float) viewWidth.load (std::memory_order_acquire);
    const auto height = (float) viewHeight.load (std::memory_order_acquire);

    juce::OpenGLHelpers::clear (juce::Colour (backgroundArgb.load (std::memory_order_acquire)));

    glEnable (GL_DEPTH_TEST);
    glDepthFunc (GL_LESS);
    glEnable (GL_BLEND);
    glBlendFunc (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glViewport (0, 0, juce::roundToInt (scale * width), juce::roundToInt (scale * height));

    // After a failed compile there is nothing to draw with.
    if (shader == nullptr || shape == nullptr || dots == nullptr || attributes == nullptr || uniforms == nullptr)
        return;

    shader->use();

    // One reading of the angles per frame, so that the head and a new dot agree.
    const auto model = headview::getModelMatrix (angleZ.load (std::memory_order_acquire),
                                                 angleX.load (std::memory_order_acquire),
                                                 angleY.load (std::memory_order_acquire));

    if (uniforms->projectionMatrix != nullptr)
        uniforms->projectionMatrix->setMatrix4 (headview::getProjectionMatrix (width, height).mat, 1, false);

    if (uniforms->viewMatrix != nullptr)
        uniforms->viewMatrix->setMatrix4 (headview::getViewMatrix().mat, 1, false);

    if (uniforms->modelMatrix != nullptr)
        uniforms->modelMatrix->setMatrix4 (model.mat, 1, false);

    if (uniforms->lightPosition != nullptr)
        uniforms->lightPosition->set (0.0f, 0.0f, 25.0f, 0.0f);

    for (auto* buffers : shape->buffers)
    {
        buffers->bind();
        attributes->enable();
        glDrawElements (GL_TRIANGLES, buffers->numIndices, GL_UNSIGNED_INT, nullptr);
        attributes->disable();
    }

    auto count = dotCount.load (std::memory_order_acquire);

    if (count > 0 && ! dots->buffers.isEmpty())
    {
        const auto& dotBuffers = *dots->buffers.getFirst();
        const auto capacity = dotBuffers.numVertices;

        if (dotPending.exchange (false, std::memory_order_acq_rel))
        {
            // The flag is set after the count grows, so this reading includes the new dot.
            count = dotCount.load (std::memory_order_acquire);

            dotBuffers.bind();

            // Past the buffer's end no more dots are kept.
            if (count > 0 && count <= capacity)
            {
                const auto vertex = makeDotVertex (model);
                glBufferSubData (GL_ARRAY_BUFFER, (GLintptr) (count - 1) * vertexStride, vertexStride, &vertex);
            }

            dotBuffers.bind();
            attributes->enable();
            glDrawArrays (GL_POINTS, 0, juce::jlimit (0, capacity, count));
            attributes->disable();
        }
        else
        {
            glPointSize (10.0f);
            dotBuffers.bind();
            attributes->enable();
            glDisable (GL_LIGHTING);
            glDrawArrays (GL_POINTS, 0, juce::jmin (capacity, count));
            attributes->disable();
        }
    }

    glBindBuffer (GL_ARRAY_BUFFER, 0);
    glBindBuffer (GL_ELEMENT_ARRAY_BUFFER, 0);
}

void BinauralHeadView::openGLContextClosing()
{
    shader.reset();
    shape.reset();
    dots.reset();
    attributes.reset();
    uniforms.reset();
}
