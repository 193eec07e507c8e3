// The battle background: one screen rectangle in pixels (Std2d layout) at
// the far plane, so that after the terrain it fills only what nothing covers.
uniform mat4 u_MatProj;
attribute vec4 a_Position;
attribute lowp vec4 a_Color;
varying lowp vec4 v_Color;

void main() {
    vec4 p = u_MatProj * a_Position;
    gl_Position = vec4(p.xy / p.w, 1.0, 1.0);
    v_Color = a_Color;
}
