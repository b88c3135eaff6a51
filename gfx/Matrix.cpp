// Matrix helpers on GLM. A GLM matrix is stored column by column; read as rows, those sixteen
// floats are exactly the row-vector matrix of our convention (the transpose of GLM's
// column-vector matrix). So a GLM result is copied out unchanged, and a row-vector product
// a * b is GLM's B * A.
#include <cmath>
#include <cstring>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "gfx/GraphicsApi.h"

namespace gfx {

namespace {

glm::mat4 toGlm(const Matrix* m) { return glm::make_mat4(&m->m[0][0]); }

Matrix* store(Matrix* out, const glm::mat4& g) {
    std::memcpy(&out->m[0][0], glm::value_ptr(g), sizeof out->m);
    return out;
}

glm::vec3 toGlm(const Vector3* v) { return {v->x, v->y, v->z}; }

}  // namespace

Matrix* matrixRotationX(Matrix* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    glm::mat4 g(1.0f);
    g[1][1] = c;
    g[1][2] = s;
    g[2][1] = -s;
    g[2][2] = c;
    return store(out, g);
}

Matrix* matrixRotationY(Matrix* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    glm::mat4 g(1.0f);
    g[0][0] = c;
    g[0][2] = -s;
    g[2][0] = s;
    g[2][2] = c;
    return store(out, g);
}

Matrix* matrixTranslation(Matrix* out, float x, float y, float z) {
    return store(out, glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z)));
}

Matrix* matrixLookAtRH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up) {
    return store(out, glm::lookAtRH(toGlm(eye), toGlm(at), toGlm(up)));
}

Matrix* matrixPerspectiveFovRH(Matrix* out, float fovY, float aspect, float zNear, float zFar) {
    return store(out, glm::perspectiveRH_ZO(fovY, aspect, zNear, zFar));
}

Matrix* matrixMultiply(Matrix* out, const Matrix* a, const Matrix* b) {
    // Computed into a temporary, so out may be a or b.
    return store(out, toGlm(b) * toGlm(a));
}

Vector3* vec3TransformNormalArray(Vector3* out, unsigned outStride, const Vector3* in,
                                  unsigned inStride, const Matrix* m, unsigned count) {
    const glm::mat3 r(toGlm(m));
    auto* dst = reinterpret_cast<unsigned char*>(out);
    auto* src = reinterpret_cast<const unsigned char*>(in);
    for (unsigned i = 0; i < count; ++i) {
        Vector3 v;
        std::memcpy(&v, src + std::size_t(i) * inStride, sizeof v);
        const glm::vec3 t = r * toGlm(&v);
        const Vector3 o{t.x, t.y, t.z};
        std::memcpy(dst + std::size_t(i) * outStride, &o, sizeof o);
    }
    return out;
}

}  // namespace gfx
