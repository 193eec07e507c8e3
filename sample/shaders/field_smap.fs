#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 v_Clip;

// Depth in 0..1 spread over the colour bytes, most significant in red.
void main() {
    float depth = v_Clip.z / v_Clip.w * 0.5 + 0.5;
    vec4 bytes = fract(depth * vec4(1.0, 255.0, 65025.0, 16581375.0));
    gl_FragColor = bytes - bytes.yzww * vec4(1.0 / 255.0, 1.0 / 255.0, 1.0 / 255.0, 0.0);
}
