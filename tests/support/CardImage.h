// A memory card of the test's own: an ext4 image on a loop device, mounted in a mount
// namespace of the calling thread alone (programs it starts see it too), so the rest of the
// machine never sees it and nothing stays mounted whatever becomes of the test. The card
// can be copied as a power cut or a pulled card would leave it: the image holds only what
// the file system has handed to the device, never what still waits in the page cache.
// Needs root and mkfs.ext4 (CI and the tests run so); ok() is false, with the reason in
// error(), where either is missing.
#pragma once

#include "tests/support/OwnMountNamespace.h"

#include <string>

class CardImage {
public:
    enum class Storage {
        Lasting,
        // GiveOut makes every block the card holds no data in fail to write, as on a card
        // whose storage gives out; what the file system itself keeps still works.
        CanGiveOut,
    };

    // A card of `mib` MiB in `folder` (made here), mounted at folder/card.
    CardImage(const std::string& folder, int mib, Storage storage = Storage::Lasting);
    ~CardImage();
    CardImage(const CardImage&) = delete;
    CardImage& operator=(const CardImage&) = delete;

    bool ok() const { return m_ok; }
    const std::string& error() const { return m_error; }
    // A path on the card, and on the copy once Pull has made it.
    std::string file(const std::string& name) const { return m_folder + "/card/" + name; }
    std::string copied(const std::string& name) const { return m_folder + "/copy/" + name; }

    // The card pulled now: its image copied as the device holds it and the copy mounted
    // (its journal replayed, as any computer the card goes into does) at folder/copy.
    bool Pull();
    // From now on the card's storage takes no block it has not held before.
    void GiveOut() const;

private:
    bool Setup(int mib, Storage storage);
    bool Fail(const std::string& what);

    std::string m_folder;
    std::string m_image;
    OwnMountNamespace m_mounts;
    bool m_ok = false;
    std::string m_error;
};
