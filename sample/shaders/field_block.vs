// Terrain tops and sides: positions in world units, texel coordinates scaled
// by u_TexGain, and per-vertex ambient and half-Lambert diffuse terms.
uniform mat4 u_GeneralMatrix;
uniform float u_TexGain;
uniform float u_Ambient;
uniform float u_Diffuse;
uniform float u_Brightness;
attribute vec4 a_Position;
attribute vec2 a_TexCoord;
attribute float a_Ambient;
attribute float a_Diffuse;
varying vec2 v_TexCoord;
varying float v_Light;

void main() {
    gl_Position = u_GeneralMatrix * a_Position;
    v_TexCoord = a_TexCoord * u_TexGain;
    v_Light = (a_Ambient * u_Ambient + a_Diffuse * u_Diffuse) * u_Brightness;
}
