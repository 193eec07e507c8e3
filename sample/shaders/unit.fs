precision mediump float;
uniform sampler2D u_Texture0;
uniform int u_TexEnable;
varying vec2 v_TexCoord;
varying lowp vec4 v_Color;

// Clear texels write no depth, so units behind show through a sprite's gaps.
void main() {
    vec4 texel = u_TexEnable != 0 ? texture2D(u_Texture0, v_TexCoord) : vec4(1.0);
    vec4 colour = texel * v_Color;
    if (colour.a < 0.1) discard;
    gl_FragColor = colour;
}
