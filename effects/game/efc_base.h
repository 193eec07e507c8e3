// The base of the built-in screen effects. The framework calls Update and the
// draw passes only while `ended` is 0; device loss and reset reach every
// built-in whatever its state.
#pragma once

#include <cstdint>
#include <vector>

class QmField;
struct CameraParams;
struct FsMgr;

class QmEfc {
public:
    QmEfc() = default;
    virtual ~QmEfc() = default;
    QmEfc(const QmEfc&) = delete;
    QmEfc& operator=(const QmEfc&) = delete;

    virtual void OnLostDevice() {}
    virtual void OnResetDevice() {}
    virtual void Update() {}
    // The 3D effect pass.
    virtual void Draw(const CameraParams* camera) {}
    // Inside the field's object-model pass, with the material shader bound.
    virtual void DrawModels(const CameraParams* camera) {}
    // The 2D pass, with the Std2d program bound.
    virtual void DrawScreen() {}
    // Every subclass starts itself here and clears `ended`.
    virtual int32_t Start(const float from[3], const float to[3], int32_t flag) = 0;
    virtual void Stop() {}
    virtual void SetParameter(int32_t index, float value) {}

    // Built-ins load only the files their pack holds, so a game that never
    // starts one needs none of its files and hears of them only when it does:
    // true when `pack` holds `name`, else the name is kept for that warning.
    bool PackHas(FsMgr* pack, const char* name);

    QmField* context = nullptr;  // the battle's field; null outside battles
    int32_t ended = 1;           // 1 = idle or finished
    std::vector<const char*> missingFiles;  // named at the first start, one warning each
    const char* undrawn = "";               // what those warnings say a start lacks
};
