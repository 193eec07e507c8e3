precision mediump float;
uniform sampler2D u_Texture0;
uniform int u_TexEnable;
uniform int u_AlphaTest;
uniform float u_AlphaRef;
uniform float u_Alpha;
varying vec2 v_TexCoord;
varying float v_Light;

void main() {
    vec4 texel = u_TexEnable != 0 ? texture2D(u_Texture0, v_TexCoord) : vec4(1.0);
    if (u_AlphaTest != 0 && texel.a < u_AlphaRef) discard;
    gl_FragColor = vec4(texel.rgb * v_Light, texel.a * u_Alpha);
}
