#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D u_Texture0;
// Samplers default to lowp, which would round the packed depth away.
#ifdef GL_FRAGMENT_PRECISION_HIGH
uniform highp sampler2D u_Texture1;
#else
uniform sampler2D u_Texture1;
#endif
uniform int u_TexEnable;
varying vec2 v_TexCoord;
varying float v_AmbientLight;
varying float v_DiffuseLight;
varying vec4 v_ShadowCoord;

// The shadow map holds depth packed into its colour bytes (field_smap).
float Lit(vec4 coord) {
    vec3 p = coord.xyz / coord.w;
    float stored = dot(texture2D(u_Texture1, p.xy), vec4(1.0, 1.0 / 255.0, 1.0 / 65025.0, 1.0 / 16581375.0));
    return p.z - 0.0002 <= stored ? 1.0 : 0.0;
}

void main() {
    vec4 texel = u_TexEnable != 0 ? texture2D(u_Texture0, v_TexCoord) : vec4(1.0);
    float light = v_AmbientLight + v_DiffuseLight * mix(0.35, 1.0, Lit(v_ShadowCoord));
    gl_FragColor = vec4(texel.rgb * light, 1.0);
}
