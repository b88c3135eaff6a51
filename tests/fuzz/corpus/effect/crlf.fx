gfx-effect 1

# note
parameter float4x4 m

# note
parameter float4 v

# note
parameter texture t

# note
source vs

# note
void main() { gl_Position = m * vec4(0.0); }

# note
end

# note
source fs

# note
out vec4 c;

# note
void main() { c = v * texture(t, vec2(0.5)); }

# note
end

# note
technique T

# note
pass 0 vs fs

# note
