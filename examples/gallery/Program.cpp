// The component gallery's entry point: one window with every component of
// the library at work.

#include "examples/gallery/Gallery.h"

#include <exception>

namespace {
TGalleryForm *GalleryForm = nullptr;
}

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    try {
        Application->Initialize();
        Application->SetTitle("Component Gallery");
        Application->CreateForm(GalleryForm);
        Application->Run();
    } catch (const std::exception &e) {
        Application->ShowException(e);
        return 1;
    }
    return 0;
}
