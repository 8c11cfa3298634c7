#pragma once
// LEffectDescriptor: a small value object, built on the stack by a command with the accepted
// parameters, that builds an effect's chain of filters. It is never deleted through the base,
// hence no virtual destructor; concrete descriptors are declared final.
#include "core/AudioReader.h"
#include "core/RefCounted.h"

#include <string>

namespace sv {

class LEffectDescriptor {
public:
    // The display name: progress title and undo name of the effect.
    virtual std::string GetName() const = 0;
    // The last reader of a chain built on input for the current parameters; input itself when
    // the parameters make the effect do nothing. The holder of the result holds the chain.
    virtual Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const = 0;

protected:
    LEffectDescriptor() = default;
    LEffectDescriptor(const LEffectDescriptor&) = default;
    LEffectDescriptor& operator=(const LEffectDescriptor&) = default;
    ~LEffectDescriptor() = default;
};

}  // namespace sv
