#include "render/pickchain.h"

#include <algorithm>

bool pickIntoChain(std::vector<int> &chain, int picked, bool newChain)
{
    if (picked < 0) {
        const bool changed = !chain.empty();
        chain.clear();
        return changed;
    }
    if (!chain.empty() && chain.back() == picked && !newChain)
        return false;
    // going back to an atom of the chain (switching its distance off, say) ends the chain:
    // an angle with an atom twice in it means nothing
    if (newChain || std::find(chain.begin(), chain.end(), picked) != chain.end()) {
        const bool changed = !(chain.size() == 1 && chain.front() == picked);
        chain.assign(1, picked);
        return changed;
    }
    chain.push_back(picked);
    if (chain.size() > static_cast<std::size_t>(PickChainLength))
        chain.erase(chain.begin());
    return true;
}
