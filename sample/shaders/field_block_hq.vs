// Terrain with the static shadow map: as field_block, plus the vertex's
// place in the shadow map (u_ShadowMatrix takes world points to it).
uniform mat4 u_GeneralMatrix;
uniform mat4 u_ShadowMatrix;
uniform float u_TexGain;
uniform float u_Ambient;
uniform float u_Diffuse;
uniform float u_Brightness;
attribute vec4 a_Position;
attribute vec2 a_TexCoord;
attribute float a_Ambient;
attribute float a_Diffuse;
varying vec2 v_TexCoord;
varying float v_AmbientLight;
varying float v_DiffuseLight;
varying vec4 v_ShadowCoord;

void main() {
    gl_Position = u_GeneralMatrix * a_Position;
    v_TexCoord = a_TexCoord * u_TexGain;
    v_AmbientLight = a_Ambient * u_Ambient * u_Brightness;
    v_DiffuseLight = a_Diffuse * u_Diffuse * u_Brightness;
    v_ShadowCoord = u_ShadowMatrix * a_Position;
}
