// The shadow-map pass: terrain and objects seen from the light.
uniform mat4 u_GeneralMatrix;
attribute vec4 a_Position;
varying vec4 v_Clip;

void main() {
    gl_Position = u_GeneralMatrix * a_Position;
    v_Clip = gl_Position;
}
