gfx-effect 1
parameter float4x4 m
parameter float4 v
parameter texture t
source vs
void main() { gl_Position = m * vec4(0.0); }
end
source fs
out vec4 c;
void main() { c = v * texture(t, vec2(0.5)); }
end
technique T
pass 1 vs fs
