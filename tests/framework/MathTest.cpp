#include "framework/D3DXMath.h"
#include "framework/MathHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace DirectX_Framework;

namespace {

TEST(MathHelpers, DegreesUseTheProgramsOwnRoundedPi)
{
    EXPECT_DOUBLE_EQ(DegToRad(180), 3.1415926522);
    EXPECT_DOUBLE_EQ(DegToRad(90), 1.5707963261);
    // The rounded constant is about 1.4e-9 off true pi, many ulps away.
    EXPECT_GT(std::fabs(DegToRad(180) - M_PI), 1e-9);

    EXPECT_DOUBLE_EQ(DirectionX(90, 0), 1.0);
    EXPECT_DOUBLE_EQ(DirectionY(0, 0), 1.0);
    EXPECT_DOUBLE_EQ(DirectionZ(12.5f, 90), 1.0);
    // cos of the rounded half pi is about 6.9e-10, not 0 and not 6e-17.
    EXPECT_NEAR(DirectionX(90, 90), 6.9e-10, 0.1e-10);
    EXPECT_NEAR(DirectionY(0, 90), 6.9e-10, 0.1e-10);
    EXPECT_NEAR(DirectionY(90, 0), 6.9e-10, 0.1e-10);
}

TEST(MathHelpers, DirectionIsTheUnitViewVectorAndZIgnoresHeading)
{
    EXPECT_EQ(DirectionZ(0, 30), DirectionZ(270, 30));
    EXPECT_NEAR(DirectionZ(0, 30), 0.5, 1e-8);
    const double x = DirectionX(30, 45), y = DirectionY(30, 45), z = DirectionZ(30, 45);
    EXPECT_NEAR(x * x + y * y + z * z, 1.0, 1e-12);
    EXPECT_NEAR(x, 0.5 * std::sqrt(0.5), 1e-8);
    EXPECT_NEAR(y, std::sqrt(0.75) * std::sqrt(0.5), 1e-8);
}

TEST(MathHelpers, BuildersPutFieldsWhereTheRecordsKeepThem)
{
    const D3DCOLORVALUE c = MakeColourValue(0.5f, 1, 0, 0);
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 0.0f);
    EXPECT_EQ(c.b, 0.0f);
    EXPECT_EQ(c.a, 0.5f);
    const D3DCOLORVALUE d = MakeColourValue(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(d.r, 0.2f);
    EXPECT_EQ(d.g, 0.3f);
    EXPECT_EQ(d.b, 0.4f);
    EXPECT_EQ(d.a, 0.1f);

    const Vertex v = MakeVertex(1, 2, 3, 4, 5, 6, 7, 8);
    const float expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto* fields = reinterpret_cast<const float*>(&v);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(fields[i], expected[i]) << "field " << i;

    const D3DVECTOR p = MakeVector(-1, 2.5f, 3);
    EXPECT_EQ(p.x, -1.0f);
    EXPECT_EQ(p.y, 2.5f);
    EXPECT_EQ(p.z, 3.0f);
}

TEST(MathHelpers, FaceNormalFollowsTheCornerOrder)
{
    const D3DVECTOR o{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0};
    const D3DVECTOR up = FaceNormal(o, x, y);
    EXPECT_EQ(up.x, 0.0f);
    EXPECT_EQ(up.y, 0.0f);
    EXPECT_EQ(up.z, 1.0f);
    EXPECT_EQ(FaceNormal(o, y, x).z, -1.0f);

    // A large right triangle off the origin still gives a unit normal.
    const D3DVECTOR n = FaceNormal({100, 200, 7}, {100, 200, -993}, {400, 200, 7});
    EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0, 1e-6);
    EXPECT_NEAR(n.y, -1.0, 1e-6);

    // Points on one line: the zero vector, never NaN.
    const D3DVECTOR line = FaceNormal({0, 0, 0}, {1, 1, 0}, {2, 2, 0});
    EXPECT_EQ(line.x, 0.0f);
    EXPECT_EQ(line.y, 0.0f);
    EXPECT_EQ(line.z, 0.0f);
}

// ---- matrices ----------------------------------------------------------------

void ExpectMatrixNear(const D3DMATRIX& actual, const float (&expected)[4][4])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected[r][c], 1e-5f) << "_" << r + 1 << c + 1;
}

D3DVECTOR Normalised(D3DVECTOR v)
{
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}

D3DVECTOR Cross(D3DVECTOR a, D3DVECTOR b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(D3DVECTOR a, D3DVECTOR b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(Matrices, LookAtMatchesTheLeftHandedClosedForm)
{
    const D3DVECTOR eye{3, -4, 5}, at{10, 2, -1}, up{0, 0, -1};
    D3DMATRIX m;
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);

    const D3DVECTOR z = Normalised({at.x - eye.x, at.y - eye.y, at.z - eye.z});
    const D3DVECTOR x = Normalised(Cross(up, z));
    const D3DVECTOR y = Cross(z, x);
    const float expected[4][4] = {{x.x, y.x, z.x, 0},
                                  {x.y, y.y, z.y, 0},
                                  {x.z, y.z, z.z, 0},
                                  {-Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1}};
    ExpectMatrixNear(m, expected);

    // The target lies straight ahead of the camera, on +z in view space.
    float p[4];
    D3DXVec4TransformPoint(&m, &at, p);
    EXPECT_NEAR(p[0], 0.0f, 1e-4f);
    EXPECT_NEAR(p[1], 0.0f, 1e-4f);
    EXPECT_GT(p[2], 0.0f);
}

TEST(Matrices, PerspectiveMatchesTheLeftHandedClosedForm)
{
    const float fov = static_cast<float>(DegToRad(60)), aspect = 0.8f, zn = 0.1f, zf = 500.0f;
    D3DMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, fov, aspect, zn, zf);
    const float yScale = 1.0f / std::tan(fov / 2);
    const float xScale = yScale / aspect;
    const float expected[4][4] = {
        {xScale, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, zf / (zf - zn), 1}, {0, 0, -zn * zf / (zf - zn), 0}};
    ExpectMatrixNear(m, expected);

    // Depth runs from 0 at the near plane to 1 at the far plane.
    for (const auto& [z, depth] : {std::pair{zn, 0.0f}, std::pair{zf, 1.0f}}) {
        const D3DVECTOR point{0, 0, z};
        float p[4];
        D3DXVec4TransformPoint(&m, &point, p);
        EXPECT_NEAR(p[2] / p[3], depth, 1e-5f);
    }
}

TEST(Matrices, RotationsTranslationAndProductFollowRowVectorRules)
{
    const float a = 0.3f, c = std::cos(a), s = std::sin(a);
    D3DMATRIX m;
    D3DXMatrixRotationX(&m, a);
    ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}});
    D3DXMatrixRotationY(&m, a);
    ExpectMatrixNear(m, {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}});
    D3DXMatrixRotationZ(&m, a);
    ExpectMatrixNear(m, {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    D3DXMatrixTranslation(&m, 1, 2, 3);
    ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}});
    D3DXMatrixIdentity(&m);
    ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});

    // A x B applies A first: turn (1, 0, 0) a quarter about z to (0, 1, 0), then move it by 10 on x.
    D3DMATRIX turn, move, both;
    D3DXMatrixRotationZ(&turn, static_cast<float>(M_PI / 2));
    D3DXMatrixTranslation(&move, 10, 0, 0);
    D3DXMatrixMultiply(&both, &turn, &move);
    const D3DVECTOR point{1, 0, 0};
    float p[4];
    D3DXVec4TransformPoint(&both, &point, p);
    EXPECT_NEAR(p[0], 10.0f, 1e-5f);
    EXPECT_NEAR(p[1], 1.0f, 1e-5f);
    EXPECT_NEAR(p[2], 0.0f, 1e-5f);
}

TEST(Vectors, PlanVectorsAndColourPacking)
{
    const D3DXVECTOR2 v{3, -4};
    D3DXVECTOR2 n;
    D3DXVec2Normalize(&n, &v);
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.y, -0.8f);
    const D3DXVECTOR2 zero{0, 0};
    D3DXVec2Normalize(&n, &zero);
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    const D3DXVECTOR2 w{2, 5};
    EXPECT_EQ(D3DXVec2Dot(&v, &w), -14.0f);

    EXPECT_EQ(PackColour(100, 100, 100), 0x00646464u);
    EXPECT_EQ(PackColour(255, 0, 0), 0x00FF0000u);
    EXPECT_EQ(PackColour(1, 2, 3), 0x00010203u);
    EXPECT_EQ(PackColour(300, -5, 0), 0x00FF0000u);
}

} // namespace
