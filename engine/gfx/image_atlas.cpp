// The image atlas's pages and their free-rectangle lists. A handed-out area
// is the very record that was the free rectangle it came from, so returning
// it needs no allocation.
#include "gfx/image_atlas.h"

#include <cassert>
#include <cstdlib>
#include <new>

#include "core/allocator.h"
#include "platform/debug_log.h"

struct AtlasPage {
    Texture* texture;
    List freeRects;
    int32_t inUse;
    int slot;
    Allocator* allocator;
};

namespace {

AtlasPage* gPages[kAtlasPageCount];
const AtlasTextureFactory* gFactory = nullptr;

AtlasArea* AreaOf(ListNode* node) {
    return reinterpret_cast<AtlasArea*>(reinterpret_cast<char*>(node) - offsetof(AtlasArea, node));
}

const AtlasTextureFactory& Factory() { return gFactory != nullptr ? *gFactory : DefaultAtlasTextureFactory(); }

AtlasArea* NewRect(AtlasPage* page, int32_t x, int32_t y, int32_t width, int32_t height) {
    void* block = Alloc(page->allocator, sizeof(AtlasArea), 0);
    if (block == nullptr) return nullptr;
    auto* rect = new (block) AtlasArea{x, y, width, height, page->texture, ListNode{}, page, 0};
    return rect;
}

void FreePage(AtlasPage* page) {
    while (page->freeRects.head != nullptr) Allocator::Free(AreaOf(ListPopFront(&page->freeRects)));
    if (page->texture != nullptr) Factory().destroy(page->texture);
    gPages[page->slot] = nullptr;
    Allocator::Free(page);
}

AtlasPage* NewPage(int slot, Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(AtlasPage), 0);
    if (block == nullptr) return nullptr;
    auto* page = new (block) AtlasPage{nullptr, List{}, 0, slot, allocator};
    gPages[slot] = page;
    page->texture = Factory().create(allocator);
    AtlasArea* whole = page->texture != nullptr ? NewRect(page, 0, 0, kAtlasPageSize, kAtlasPageSize) : nullptr;
    if (whole == nullptr) {
        FreePage(page);
        return nullptr;
    }
    ListPushBack(&page->freeRects, &whole->node);
    return page;
}

// First fit with a guillotine cut: of the two ways to cut the rest of the
// chosen rectangle, the one whose pieces differ more in area is taken.
AtlasArea* FitIntoPage(AtlasPage* page, int32_t w, int32_t h) {
    AtlasArea* found = nullptr;
    for (ListNode* node = page->freeRects.head; node != nullptr; node = node->next) {
        AtlasArea* rect = AreaOf(node);
        if (rect->width >= w && rect->height >= h) {
            found = rect;
            break;
        }
    }
    if (found == nullptr) return nullptr;

    const int32_t x = found->x, y = found->y, W = found->width, H = found->height;
    const int64_t dw = W - w, dh = H - h;
    AtlasArea* pieces[2] = {nullptr, nullptr};
    if (dw > 0 && dh > 0) {
        int64_t a = std::llabs(dw * h - dh * W);
        int64_t b = std::llabs(dw * H - dh * w);
        if (b < a) {
            pieces[0] = NewRect(page, x + w, y, static_cast<int32_t>(dw), h);
            pieces[1] = NewRect(page, x, y + h, W, static_cast<int32_t>(dh));
        } else {
            pieces[0] = NewRect(page, x + w, y, static_cast<int32_t>(dw), H);
            pieces[1] = NewRect(page, x, y + h, w, static_cast<int32_t>(dh));
        }
        if (pieces[0] == nullptr || pieces[1] == nullptr) {
            Allocator::Free(pieces[0]);
            Allocator::Free(pieces[1]);
            return nullptr;
        }
    } else if (dw > 0) {
        if ((pieces[0] = NewRect(page, x + w, y, static_cast<int32_t>(dw), H)) == nullptr) return nullptr;
    } else if (dh > 0) {
        if ((pieces[0] = NewRect(page, x, y + h, W, static_cast<int32_t>(dh))) == nullptr) return nullptr;
    }

    ListRemove(&page->freeRects, &found->node);
    found->width = w;
    found->height = h;
    found->refCount = 1;
    for (AtlasArea* piece : pieces) {
        if (piece != nullptr) ListPushBack(&page->freeRects, &piece->node);
    }
    ++page->inUse;
    return found;
}

// Joins one pair of free rectangles that share a whole edge; false when none do.
bool MergeOnePair(AtlasPage* page) {
    for (ListNode* i = page->freeRects.head; i != nullptr; i = i->next) {
        AtlasArea* a = AreaOf(i);
        for (ListNode* j = page->freeRects.head; j != nullptr; j = j->next) {
            if (j == i) continue;
            AtlasArea* b = AreaOf(j);
            if (a->y == b->y && a->height == b->height && a->x + a->width == b->x) {
                a->width += b->width;
            } else if (a->x == b->x && a->width == b->width && a->y + a->height == b->y) {
                a->height += b->height;
            } else {
                continue;
            }
            ListRemove(&page->freeRects, &b->node);
            Allocator::Free(b);
            return true;
        }
    }
    return false;
}

}  // namespace

namespace ImageAtlas {

void Init() {
    for (AtlasPage*& page : gPages) page = nullptr;
}

void Shutdown() {
    for (AtlasPage* page : gPages) {
        if (page == nullptr) continue;
        assert(page->inUse == 0 && "image atlas shut down while images still use it");
        FreePage(page);
    }
}

AtlasArea* Allocate(int32_t width, int32_t height, int32_t, Allocator* allocator) {
    if (width >= 1 && height >= 1 && width <= kAtlasPageSize && height <= kAtlasPageSize) {
        for (AtlasPage* page : gPages) {
            if (page == nullptr) continue;
            if (AtlasArea* area = FitIntoPage(page, width, height)) return area;
        }
        for (int slot = 0; slot < kAtlasPageCount; ++slot) {
            if (gPages[slot] != nullptr) continue;
            AtlasPage* page = NewPage(slot, allocator);
            AtlasArea* area = page != nullptr ? FitIntoPage(page, width, height) : nullptr;
            if (area != nullptr) return area;
            if (page != nullptr) FreePage(page);
            break;
        }
    }
    LogFailed("allocate image area.");
    return nullptr;
}

void Release(AtlasArea* area) {
    if (area == nullptr) return;
    if (area->refCount <= 0) {
        LogError("image atlas area (%d, %d) released while free", area->x, area->y);
        return;
    }
    if (--area->refCount > 0) return;
    AtlasPage* page = area->page;
    ListPushFront(&page->freeRects, &area->node);
    while (MergeOnePair(page)) {
    }
    if (--page->inUse == 0) FreePage(page);
}

void SetTextureFactory(const AtlasTextureFactory* factory) { gFactory = factory; }

int PageCount() {
    int count = 0;
    for (AtlasPage* page : gPages) count += page != nullptr ? 1 : 0;
    return count;
}

Texture* PageTexture(int slot) {
    if (slot < 0 || slot >= kAtlasPageCount || gPages[slot] == nullptr) return nullptr;
    return gPages[slot]->texture;
}

int FreeRectangles(int slot, AtlasArea* out, int capacity) {
    if (slot < 0 || slot >= kAtlasPageCount || gPages[slot] == nullptr) return 0;
    int count = 0;
    for (ListNode* node = gPages[slot]->freeRects.head; node != nullptr; node = node->next, ++count) {
        if (count < capacity) out[count] = *AreaOf(node);
    }
    return count;
}

}  // namespace ImageAtlas
