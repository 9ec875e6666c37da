#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "display/gl_api.h"

namespace ombrel::testing {

struct TGLCall {
    std::string Name;
    std::vector<double> Args;
    bool operator==(const TGLCall& o) const { return Name == o.Name && Args == o.Args; }
};

// Puts a table in place that records every call instead of making it, and
// answers queries from what the test set up. Restores the system table when destroyed.
class TGLRecorder {
public:
    TGLRecorder();
    ~TGLRecorder();

    std::vector<TGLCall> Calls;
    std::deque<GLenum> Errors;          // what GetError reports, in turn, then GL_NO_ERROR
    std::string Extensions;             // GL_EXTENSIONS
    std::string Version = "4.5 (Compatibility Profile) Mesa";
    GLfloat CurrentColor[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    GLfloat LineWidth = 3, PointSize = 2;
    const GLfloat* Vertices = nullptr;  // the last vertex pointer
    GLuint LastTexture = 0;             // the last texture name given
    GLint LargestTexture = 16384;       // GL_MAX_TEXTURE_SIZE
    GLint SampleBuffers = 0;            // GL_SAMPLE_BUFFERS
    GLint ReadFramebuffer = 0;          // bound to GL_READ_FRAMEBUFFER
    GLuint LastFramebuffer = 0;         // the last framebuffer name given
    GLenum FramebufferStatus = GL_FRAMEBUFFER_COMPLETE;
    // Each glTexSubImage2D's pixels, four bytes each, its rows in turn.
    std::vector<std::vector<uint32_t>> TexImages;

    static TGLRecorder* Active;

    std::vector<std::string> Names() const;
    size_t Count(const std::string& name) const;
};

}  // namespace ombrel::testing
