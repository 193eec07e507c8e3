// Markers laid on the field: range panels, route, unit shadows, cursor, arrow.
uniform mat4 u_GeneralMatrix;
attribute vec4 a_Position;
attribute vec2 a_TexCoord;
attribute lowp vec4 a_Color;
varying vec2 v_TexCoord;
varying lowp vec4 v_Color;

void main() {
    gl_Position = u_GeneralMatrix * a_Position;
    v_TexCoord = a_TexCoord;
    v_Color = a_Color;
}
