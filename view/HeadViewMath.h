#pragma once

#include "view/WavefrontObjFile.h"

#include <juce_opengl/juce_opengl.h>

// The head view's matrix arithmetic, kept apart from OpenGL so that it can be checked directly.
// Matrices are OpenGL's column-major 4 x 4 arrays (mat[12..14] is the translation).
namespace headview
{
// Degrees to radians as the view converts its angles.
constexpr float degreesToRadians = 0.017453292f;

// The model is drawn at this scale; the dots sit at dotRadius from its origin.
constexpr float modelScale = 0.2f;
constexpr float dotRadius = 0.75f;

// Half of the frustum's vertical extent at the near plane for a view of the given unscaled size.
float frustumTop (float width, float height) noexcept;

// Perspective frustum from -2/3 to 2/3 across, -t to t high, near 4, far 35.
juce::Matrix3D<float> getProjectionMatrix (float width, float height) noexcept;

// The scene moved 5 units away from the eye.
juce::Matrix3D<float> getViewMatrix() noexcept;

// The head's rotation by angleX, angleY and angleZ (degrees) about the model's x, y and z axes.
juce::Matrix3D<float> getModelMatrix (float angleZ, float angleX, float angleY) noexcept;

// The inverse of the model rotation applied to the scene's +z axis: the model-frame direction
// that faces the viewer, where a new dot is placed.
Vec3 getDotDirection (const juce::Matrix3D<float>& model) noexcept;

// m * (x, y, z, w).
juce::Vector3D<float> transform (const juce::Matrix3D<float>& m, float x, float y, float z, float w, float* wOut = nullptr) noexcept;
} // namespace headview
