#include "filters/FilterCatalogue.h"

#include "filters/BackgroundRemoval.h"
#include "filters/BandPass.h"
#include "filters/DcRemoval.h"
#include "filters/Gain.h"

#include <mutex>

namespace FilterCatalogue {
namespace {

struct Catalogue {
    std::mutex lock; // guards kinds
    std::vector<std::unique_ptr<FilterKind>> kinds;

    Catalogue()
    {
        kinds.push_back(std::make_unique<DcRemoval>());
        kinds.push_back(std::make_unique<BackgroundRemoval>());
        kinds.push_back(std::make_unique<Gain>());
        kinds.push_back(std::make_unique<BandPass>());
    }
};

// Names go into the filter list file as they are: one line each, parameter names before a colon.
bool Storable(const std::string& name)
{
    return !name.empty() && name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

Catalogue& Instance()
{
    static Catalogue catalogue;
    return catalogue;
}

} // namespace

const FilterKind* Find(std::string_view name)
{
    Catalogue& c = Instance();
    std::lock_guard<std::mutex> hold(c.lock);
    for (const auto& kind : c.kinds)
        if (kind->name() == name)
            return kind.get();
    return nullptr;
}

std::vector<const FilterKind*> Kinds()
{
    Catalogue& c = Instance();
    std::lock_guard<std::mutex> hold(c.lock);
    std::vector<const FilterKind*> all;
    for (const auto& kind : c.kinds)
        all.push_back(kind.get());
    return all;
}

bool Register(std::unique_ptr<FilterKind> kind)
{
    if (!kind || !Storable(kind->name()))
        return false;
    for (const auto& spec : kind->params())
        if (!Storable(spec.name()) || spec.name().find(':') != std::string::npos)
            return false;
    Catalogue& c = Instance();
    std::lock_guard<std::mutex> hold(c.lock);
    for (const auto& known : c.kinds)
        if (known->name() == kind->name())
            return false;
    c.kinds.push_back(std::move(kind));
    return true;
}

} // namespace FilterCatalogue
