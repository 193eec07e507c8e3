precision mediump float;
uniform sampler2D u_Texture0;
uniform int u_TexEnable;
uniform float u_Gain;
varying vec2 v_TexCoord;

void main() {
    vec4 texel = u_TexEnable != 0 ? texture2D(u_Texture0, v_TexCoord) : vec4(1.0);
    gl_FragColor = vec4(texel.rgb * u_Gain, 1.0);
}
