#include "framework/D3DXMath.h"
#include "framework/MathHelpers.h"
#include "tests/support/FrameworkFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace DirectX_Framework;

namespace {

TEST(MathHelpers, AnglesUseTheProgramsOwnRoundedPi)
{
    EXPECT_DOUBLE_EQ(DegToRad(180), 3.1415926522);
    EXPECT_DOUBLE_EQ(DegToRad(90), 1.5707963261);
    // Heading a, pitch b: cos of the rounded half pi is about 6.9e-10, not 0 and not 6e-17.
    const struct {
        double Value, Expected, Tolerance;
    } cases[] = {
        {DirectionX(90, 0), 1, 0},         {DirectionY(0, 0), 1, 0},           {DirectionZ(12.5f, 90), 1, 0},
        {DirectionX(90, 90), 6.9e-10, 1e-11}, {DirectionY(0, 90), 6.9e-10, 1e-11}, {DirectionY(90, 0), 6.9e-10, 1e-11},
        {DirectionZ(0, 30), 0.5, 1e-8},    {DirectionZ(0, -30), -0.5, 1e-8},
        {DirectionX(30, 45), 0.5 * std::sqrt(0.5), 1e-8}, {DirectionY(30, 45), std::sqrt(0.75) * std::sqrt(0.5), 1e-8},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(c.Value, c.Expected, c.Tolerance) << &c - cases;
}

TEST(MathHelpers, AColourValueTakesItsAlphaFirst)
{
    const D3DCOLORVALUE c = MakeColourValue(0.1f, 0.2f, 0.3f, 0.4f); // alpha first
    EXPECT_EQ(std::tuple(c.r, c.g, c.b, c.a), std::tuple(0.2f, 0.3f, 0.4f, 0.1f));
}

TEST(MathHelpers, FaceNormalFollowsTheCornerOrder)
{
    const auto expectNormal = [](D3DVECTOR a, D3DVECTOR b, D3DVECTOR c, D3DVECTOR expected) {
        const D3DVECTOR n = FaceNormal(a, b, c);
        EXPECT_NEAR(n.x, expected.x, 1e-6f);
        EXPECT_NEAR(n.y, expected.y, 1e-6f);
        EXPECT_NEAR(n.z, expected.z, 1e-6f);
    };
    expectNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    expectNormal({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1});
    expectNormal({100, 200, 7}, {100, 200, -993}, {400, 200, 7}, {0, -1, 0}); // large, off the origin: unit length
    expectNormal({0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {0, 0, 0});                 // on one line: zero, never NaN
}

// ---- matrices: row vectors, v x M (look-at through the standard view and the camera: StartUpTest, RendererTest)

void ExpectMatrixNear(const D3DMATRIX& actual, const float (&expected)[4][4])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected[r][c], 1e-5f) << "_" << r + 1 << c + 1;
}

TEST(Matrices, PerspectiveMatchesTheLeftHandedClosedForm)
{
    const float fov = static_cast<float>(DegToRad(60)), aspect = 0.8f, zn = 0.1f, zf = 500.0f;
    D3DMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, fov, aspect, zn, zf);
    const float yScale = 1.0f / std::tan(fov / 2);
    ExpectMatrixNear(m, {{yScale / aspect, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, zf / (zf - zn), 1}, {0, 0, -zn * zf / (zf - zn), 0}});
    // Depth runs from 0 at the near plane to 1 at the far plane.
    ExpectMapsTo(m, {0, 0, zn}, {0, 0, 0});
    ExpectMapsTo(m, {0, 0, zf}, {0, 0, 1});
}

TEST(Matrices, TranslationAndProductFollowRowVectorRules)
{
    D3DMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}});
    // A x B applies A first: turn (1, 0, 0) a quarter about z to (0, 1, 0), then move it by 10 on x.
    // (The turns about each axis are checked through DrawModel.)
    D3DMATRIX turn, move, both;
    D3DXMatrixRotationZ(&turn, static_cast<float>(M_PI / 2));
    D3DXMatrixTranslation(&move, 10, 0, 0);
    D3DXMatrixMultiply(&both, &turn, &move);
    ExpectMapsTo(both, {1, 0, 0}, {10, 1, 0});
}

TEST(Vectors, PlanVectorsAndColourPacking)
{
    const D3DXVECTOR2 v{3, -4}, zero{0, 0}, w{2, 5};
    D3DXVECTOR2 n;
    D3DXVec2Normalize(&n, &v);
    EXPECT_EQ(std::tuple(n.x, n.y), std::tuple(0.6f, -0.8f));
    D3DXVec2Normalize(&n, &zero);
    EXPECT_EQ(std::tuple(n.x, n.y), std::tuple(0.0f, 0.0f));
    EXPECT_EQ(D3DXVec2Dot(&v, &w), -14.0f);
    EXPECT_EQ(PackColour(1, 2, 3), 0x00010203u);
    EXPECT_EQ(PackColour(255, 0, 0), 0x00FF0000u);
    EXPECT_EQ(PackColour(300, -5, 0), 0x00FF0000u);
}

} // namespace
