#include "framework/gl/ImageReadAhead.h"

#include <SDL2/SDL_image.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

ImageReadAhead::ImageReadAhead(std::vector<std::string> paths, std::function<void()> afterwards)
{
    for (std::string& path : paths)
        files_.push_back({std::move(path), State::Waiting, {}});
    // The decoders' one-time set-up is not safe to run on two threads at once: do it here.
    IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
    worker_ = std::thread([this, afterwards = std::move(afterwards)] { Work(afterwards); });
}

ImageReadAhead::~ImageReadAhead()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void ImageReadAhead::Decode(File& file, std::unique_lock<std::mutex>& lock)
{
    file.Now = State::Decoding;
    const std::string path = file.Path;
    lock.unlock();
    ImageRGBA image;
    std::string error;
    bool decoded = false;
    try {
        decoded = LoadImageFile(path, MaxSide, image, error);
    } catch (const std::exception&) {
        decoded = false; // out of memory: the caller tries again, and reports it
    }
    lock.lock();
    file.Now = decoded ? State::Decoded : State::Failed;
    if (decoded) {
        heldBytes_ += image.Pixels.size();
        file.Image = std::move(image);
    }
    changed_.notify_all();
}

void ImageReadAhead::Work(const std::function<void()>& afterwards)
{
    // Background work: the thread that starts the device and loads the map goes first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), BackgroundNice);
    for (std::size_t next = 0;; ++next) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || heldBytes_ < MaxHeldBytes; });
        while (next < files_.size() && files_[next].Now != State::Waiting)
            ++next;
        if (stopping_ || next == files_.size())
            break;
        Decode(files_[next], lock);
    }
    bool stopped = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopped = stopping_;
    }
    if (afterwards && !stopped)
        afterwards();
}

bool ImageReadAhead::Take(const std::string& path, ImageRGBA& out)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto file = std::find_if(files_.begin(), files_.end(),
                                   [&](const File& f) { return f.Path == path && f.Now != State::Taken; });
    if (file == files_.end())
        return false;
    // While the thread decodes this file, this one decodes the last file not yet started.
    while (file->Now == State::Decoding) {
        const auto last = std::find_if(files_.rbegin(), files_.rend(), [](const File& f) { return f.Now == State::Waiting; });
        if (last != files_.rend())
            Decode(*last, lock);
        else
            changed_.wait(lock);
    }
    const bool decoded = file->Now == State::Decoded;
    if (decoded) {
        heldBytes_ -= file->Image.Pixels.size();
        out = std::move(file->Image);
        file->Image = ImageRGBA{};
    }
    file->Now = State::Taken;
    lock.unlock();
    changed_.notify_all();
    return decoded;
}
