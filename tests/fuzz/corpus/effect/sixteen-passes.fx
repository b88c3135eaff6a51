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
pass 0 vs fs
technique U
pass 0 vs fs
pass 1 vs fs
pass 2 vs fs
pass 3 vs fs
pass 4 vs fs
pass 5 vs fs
pass 6 vs fs
pass 7 vs fs
pass 8 vs fs
pass 9 vs fs
pass 10 vs fs
pass 11 vs fs
pass 12 vs fs
pass 13 vs fs
pass 14 vs fs
pass 15 vs fs
