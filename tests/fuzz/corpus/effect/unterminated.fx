gfx-effect 1
parameter float4x4 m
parameter float4 v
parameter texture t
source vs
void main() { gl_Position = m * vec4(0.0); }
