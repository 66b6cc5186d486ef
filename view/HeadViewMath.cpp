#include "view/HeadViewMath.h"

namespace headview
{
float frustumTop (float width, float height) noexcept
{
    // A view without width is never drawn; keep the matrix finite all the same.
    const float ratio = width > 0.0f ? height / width : 1.0f;
    return (float) ((double) ratio * 0.6666666666666666);
}

juce::Matrix3D<float> getProjectionMatrix (float width, float height) noexcept
{
    const auto t = frustumTop (width, height);
    const auto w = 2.0f / 3.0f;
    return juce::Matrix3D<float>::fromFrustum (-w, w, -t, t, 4.0f, 35.0f);
}

juce::Matrix3D<float> getViewMatrix() noexcept
{
    return juce::Matrix3D<float>::fromTranslation ({ 0.0f, 0.0f, -5.0f });
}

juce::Matrix3D<float> getModelMatrix (float angleZ, float angleX, float angleY) noexcept
{
    return juce::Matrix3D<float>::rotation ({ angleX * degreesToRadians,
                                              angleY * degreesToRadians,
                                              angleZ * degreesToRadians });
}

Vec3 getDotDirection (const juce::Matrix3D<float>& model) noexcept
{
    return { model.mat[2], model.mat[6], model.mat[10] };
}

juce::Vector3D<float> transform (const juce::Matrix3D<float>& m, float x, float y, float z, float w, float* wOut) noexcept
{
    const auto* a = m.mat;
    if (wOut != nullptr)
        *wOut = a[3] * x + a[7] * y + a[11] * z + a[15] * w;

    return { a[0] * x + a[4] * y + a[8] * z + a[12] * w,
             a[1] * x + a[5] * y + a[9] * z + a[13] * w,
             a[2] * x + a[6] * y + a[10] * z + a[14] * w };
}
} // namespace headview
