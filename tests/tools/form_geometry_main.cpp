// Prints where the named controls of the wizard's window sit in its client area, in pixels at 96
// dots per inch, one line each: "name left top width height". The window's own name
// (frmSelectDriver) gives the client area. Exit status 1 for a name the design lacks.
//   form_geometry frmSelectDriver cmdNext
#include <cstdio>
#include <stdexcept>

#include "tests/tools/form_geometry.h"
#include "wizard/form_design.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: form_geometry <control>...\n", stderr);
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i) {
            const ui::Rect rect = form_geometry::ClientRect(frmSelectDriverDesign(), argv[i]);
            std::printf("%s %d %d %d %d\n", argv[i], rect.left, rect.top, rect.width, rect.height);
        }
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "form_geometry: %s\n", error.what());
        return 1;
    }
    return 0;
}
