// Object models with the static shadow map.
uniform mat4 u_GeneralMatrix;
uniform mat4 u_ModelMatrix;
uniform mat4 u_ShadowMatrix;
uniform mat3 u_NormalMatrix;
uniform vec3 u_LightPosition;
uniform float u_Ambient;
uniform float u_Diffuse;
uniform float u_Brightness;
attribute vec4 a_Position;
attribute vec3 a_Normal;
attribute vec2 a_TexCoord;
varying vec2 v_TexCoord;
varying float v_AmbientLight;
varying float v_DiffuseLight;
varying vec4 v_ShadowCoord;

void main() {
    gl_Position = u_GeneralMatrix * a_Position;
    v_TexCoord = a_TexCoord;
    vec3 n = u_NormalMatrix * a_Normal;
    float lit = dot(n, n) > 0.0 ? 0.5 * (dot(normalize(n), u_LightPosition) + 1.0) : 0.5;
    v_AmbientLight = u_Ambient * u_Brightness;
    v_DiffuseLight = lit * u_Diffuse * u_Brightness;
    v_ShadowCoord = u_ShadowMatrix * (u_ModelMatrix * a_Position);
}
