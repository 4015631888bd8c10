// The renderer's GLSL program: vertex colour times texel, with a per-vertex
// switch that leaves the texel out so shapes and images share GL state. It must
// compute exactly what the fixed-function path does; any failure falls back.

#define GLFW_INCLUDE_GLEXT
#include <GLFW/glfw3.h>

#include "sys_internal.h"

namespace {

// ftransform() is invariant with the fixed-function transform, so vertices
// land on the same pixels as without the program.
const char* const kVertexSource =
    "#version 110\n"
    "void main() {\n"
    "    gl_Position = ftransform();\n"
    "    gl_FrontColor = gl_Color;\n"
    "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "}\n";

// The third texture coordinate is 1 for image vertices and 0 for shapes; a
// shape takes its colour unchanged, as white texels would give it.
const char* const kFragmentSource =
    "#version 110\n"
    "uniform sampler2D image;\n"
    "void main() {\n"
    "    if (gl_TexCoord[0].p > 0.5) gl_FragColor = gl_Color * texture2D(image, gl_TexCoord[0].st);\n"
    "    else gl_FragColor = gl_Color;\n"
    "}\n";

struct ProgramApi {
    PFNGLCREATESHADERPROC CreateShader;
    PFNGLSHADERSOURCEPROC ShaderSource;
    PFNGLCOMPILESHADERPROC CompileShader;
    PFNGLGETSHADERIVPROC GetShaderiv;
    PFNGLDELETESHADERPROC DeleteShader;
    PFNGLCREATEPROGRAMPROC CreateProgram;
    PFNGLATTACHSHADERPROC AttachShader;
    PFNGLLINKPROGRAMPROC LinkProgram;
    PFNGLGETPROGRAMIVPROC GetProgramiv;
    PFNGLDELETEPROGRAMPROC DeleteProgram;
    PFNGLUSEPROGRAMPROC UseProgram;
    PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation;
    PFNGLUNIFORM1IPROC Uniform1i;
};

ProgramApi Api = {};
GLuint Program = 0;
bool Tried = false;  // a build was attempted in the current context
bool InUse = false;  // the program is bound right now

template <typename T>
bool Load(T* fn, const char* name) {
    *fn = reinterpret_cast<T>(glfwGetProcAddress(name));
    return *fn != nullptr;
}

bool LoadApi() {
    return Load(&Api.CreateShader, "glCreateShader") && Load(&Api.ShaderSource, "glShaderSource") &&
           Load(&Api.CompileShader, "glCompileShader") && Load(&Api.GetShaderiv, "glGetShaderiv") &&
           Load(&Api.DeleteShader, "glDeleteShader") && Load(&Api.CreateProgram, "glCreateProgram") &&
           Load(&Api.AttachShader, "glAttachShader") && Load(&Api.LinkProgram, "glLinkProgram") &&
           Load(&Api.GetProgramiv, "glGetProgramiv") && Load(&Api.DeleteProgram, "glDeleteProgram") &&
           Load(&Api.UseProgram, "glUseProgram") && Load(&Api.GetUniformLocation, "glGetUniformLocation") &&
           Load(&Api.Uniform1i, "glUniform1i");
}

GLuint Compile(GLenum type, const char* source) {
    const GLuint shader = Api.CreateShader(type);
    if (shader == 0) return 0;
    Api.ShaderSource(shader, 1, &source, nullptr);
    Api.CompileShader(shader);
    GLint ok = GL_FALSE;
    Api.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        Api.DeleteShader(shader);
        return 0;
    }
    return shader;
}

// Builds the program in the current context; 0 when the driver cannot.
GLuint Build() {
    const GLubyte* version = glGetString(GL_VERSION);
    if (version == nullptr || version[0] < '2' || version[0] > '9' || !LoadApi()) return 0;
    const GLuint vs = Compile(GL_VERTEX_SHADER, kVertexSource);
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentSource);
    GLuint program = 0;
    if (vs != 0 && fs != 0) program = Api.CreateProgram();
    if (program != 0) {
        Api.AttachShader(program, vs);
        Api.AttachShader(program, fs);
        Api.LinkProgram(program);
        GLint ok = GL_FALSE;
        Api.GetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            Api.DeleteProgram(program);
            program = 0;
        }
    }
    // Attached shaders live on with the program; these names are not needed.
    if (vs != 0) Api.DeleteShader(vs);
    if (fs != 0) Api.DeleteShader(fs);
    if (program != 0) {
        Api.UseProgram(program);
        Api.Uniform1i(Api.GetUniformLocation(program, "image"), 0);
        Api.UseProgram(0);
    }
    // Drain whatever the attempt left in the error queue.
    while (glGetError() != GL_NO_ERROR) {
    }
    return program;
}

}  // namespace

bool KuvoProgramBegin() {
    if (!Tried) {
        Tried = true;
        Program = Build();
    }
    if (Program == 0) return false;
    Api.UseProgram(Program);
    InUse = true;
    return true;
}

void KuvoProgramEnd() {
    if (!InUse) return;
    Api.UseProgram(0);
    InUse = false;
}

void KuvoProgramForget() {
    // The program died with its context; deleting it here would act on
    // whatever context is current now.
    Program = 0;
    Tried = false;
    InUse = false;
}
