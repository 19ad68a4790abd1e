#include "sheet_model.h"

namespace sheet {

const Lug* findLug(const Net& net, unsigned face, int edge) {
    for (const Lug& lug : net.lugs)
        if (lug.face == face && lug.edge == edge)
            return &lug;
    return nullptr;
}

}  // namespace sheet
