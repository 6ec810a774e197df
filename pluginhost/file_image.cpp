#include "pluginhost/file_image.h"

#include "common/failure_note.h"
#include "common/owners.h"

#include <cstring>

FileImage::FileImage(FileImage&& other) noexcept {
    *this = static_cast<FileImage&&>(other);
}

FileImage& FileImage::operator=(FileImage&& other) noexcept {
    if (this != &other) {
        ReleaseFileImage(this);
        view = other.view;
        size = other.size;
        if (view == nullptr) {
            std::memcpy(head, other.head, size);
            ReleaseFileImage(&other); // zeros where its copy was
        } else {
            other.view = nullptr; // the view is this record's now
            other.size = 0;
        }
    }
    return *this;
}

FileImage::~FileImage() {
    ReleaseFileImage(this);
}

bool HoldFileImage(HANDLE file, uint32_t size, const unsigned char* head, FileImage* image) {
    ReleaseFileImage(image);
    if (size < SUSIE_HEAD_SIZE) { // an empty file cannot be mapped; a short one needs zeros
        std::memcpy(image->head, head, size);
        image->size = size;
        return true;
    }
    // The view keeps the mapping alive; neither handle is needed once it is made.
    KernelHandleOwner mapping(CreateFileMappingA(file, nullptr, PAGE_WRITECOPY, 0, 0, nullptr));
    const void* view = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_COPY, 0, 0, 0) : nullptr;
    if (view == nullptr) {
        NoteFailure("cannot map the file into memory: %s", DescribeWindowsError(GetLastError()));
        return false;
    }
    image->view = view;
    image->size = size;
    return true;
}

void ReleaseFileImage(FileImage* image) {
    if (image->view != nullptr)
        UnmapViewOfFile(image->view);
    else if (image->size <= sizeof image->head)
        std::memset(image->head, 0, image->size); // the zeros after a short file stay
    image->view = nullptr;
    image->size = 0;
}
