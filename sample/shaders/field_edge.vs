// Outline lines along the tops of walls, in the top texture's colours.
uniform mat4 u_GeneralMatrix;
uniform float u_TexGain;
attribute vec4 a_Position;
attribute vec2 a_TexCoord;
varying vec2 v_TexCoord;

void main() {
    gl_Position = u_GeneralMatrix * a_Position;
    v_TexCoord = a_TexCoord * u_TexGain;
}
