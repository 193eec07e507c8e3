precision mediump float;
uniform sampler2D u_Texture0;
uniform int u_TexEnable;
varying vec2 v_TexCoord;
varying lowp vec4 v_Color;

void main() {
    vec4 texel = u_TexEnable != 0 ? texture2D(u_Texture0, v_TexCoord) : vec4(1.0);
    gl_FragColor = texel * v_Color;
}
