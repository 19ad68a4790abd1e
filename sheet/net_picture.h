#pragma once
// The textured faces of one placed net printed as one picture: drawn at the
// print resolution with each face's UVs, sampled bilinearly, running a little
// past the net's cut lines (bleed), and placed once, clipped to those faces.
// A page of textured faces then costs one image per net, not one pattern of
// the whole texture per face.
#include <cairo.h>

#include <unordered_map>
#include <vector>

#include "layout.h"
#include "sheet_model.h"
#include "texture.h"

namespace sheet {

struct PictureOptions {
    double dotsPerInch = 300.0;
    double bleed = 0.5;       // mm past every cut line; 0 for none
    bool tabTexture = false;  // a tab shows the face it is glued under
};

// What printing textured faces needs beyond one page: the options, the
// texture images, and for textured tabs the face across each glued edge.
class Pictures {
public:
    explicit Pictures(PictureOptions chosen = {}) : options(chosen) {}

    PictureOptions options;
    TextureCache textures;
    // The lowest resolution a picture printed at, below options.dotsPerInch
    // where a net was too large for its picture at that resolution; 0: none.
    double loweredDotsPerInch = 0.0;

    // The faces of every page, for partnerOf. The pages must outlive this.
    void findPartners(const std::vector<Page>& pages);
    // The face on the other side of the face's edge k in another place of
    // the sheet, or nullptr.
    const Face* partnerOf(unsigned container, const Face& face, int k) const;

private:
    struct Side {
        unsigned container;
        unsigned position;
        const Face* face;
    };
    std::unordered_map<int, std::vector<Side>> sides_;
};

// Whether the face prints with its texture: it has UVs that span an area and
// a texture that can be read.
bool printsTextured(const Sheet& sheet, const Face& face, TextureCache& textures);
// Whether the tab prints the texture of the face it is glued under.
bool tabPrintsTextured(const Sheet& sheet, const Net& net, const Lug& lug, Pictures& pictures);

// Draws the net's textured faces (and textured tabs) as one picture within
// `clip` (page millimetres; an empty box for the whole page).
void drawNetPicture(cairo_t* cr, const Sheet& sheet, const Net& net, const Box& clip,
                    double pageWidth, double pageHeight, Pictures& pictures);

}  // namespace sheet
