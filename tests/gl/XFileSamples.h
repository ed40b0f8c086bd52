// .x files written by the tests.
#pragma once

// A quad across the whole clip-space square: its upper-right triangle uses the red material, its
// lower-left one the textured material, whose texture lies in a subfolder of the model's folder.
inline const char* const TwoMaterialQuad = R"(xof 0303txt 0032

Mesh Quad {
 4;
 -1.0;1.0;0.5;,
 1.0;1.0;0.5;,
 1.0;-1.0;0.5;,
 -1.0;-1.0;0.5;;
 2;
 3;0,1,2;,
 3;0,2,3;;
 MeshMaterialList {
  2;
  2;
  0,
  1;;
  Material Red {
   1.0;0.0;0.0;1.0;;
   8.0;
   0.5;0.5;0.5;;
   0.0;0.0;0.25;;
  }
  Material Textured {
   1.0;1.0;1.0;1.0;;
   0.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
   TextureFilename {
    "Skins\Wall.PNG";
   }
  }
 }
 MeshNormals {
  1;
  0.0;0.0;-1.0;;
  2;
  3;0,0,0;,
  3;0,0,0;;
 }
 MeshTextureCoords {
  4;
  0.0;0.0;,
  1.0;0.0;,
  1.0;1.0;,
  0.0;1.0;;
 }
}
)";
