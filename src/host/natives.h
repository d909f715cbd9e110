// Every game native Velmora calls, declared once: name, hash and signature. The list is an
// X-macro so that hosts (the simulated world, the Windows test runtime) can walk it, answer
// each native by its typed signature and name an unanswered hash in their messages.
#pragma once

#include <cstdint>

#include "host/native.h"

namespace velmora {

using Entity = std::int32_t;  // script handle of a character, vehicle or object; 0 = none
using CameraHandle = std::int32_t;
using PlayerId = std::int32_t;

// X(name, hash, signature)
#define VELMORA_NATIVES(X)                                                                                \
    /* player and frame */                                                                                \
    X(playerId, 0x4f8644af03d0e0d6, PlayerId())                                                           \
    X(playerCharacter, 0xd80958fc74e988a6, Entity())                                                      \
    X(doesEntityExist, 0x7239b21a38f536ba, bool(Entity))                                                  \
    X(isPlayerControlOn, 0x49c32d60007afa47, bool(PlayerId))                                              \
    X(isEntityDead, 0x5f9532f3b5cc2551, bool(Entity, bool))                                               \
    X(isPlayerBeingArrested, 0x388a47c51abdac8e, bool(PlayerId, bool))                                    \
    X(frameTimestep, 0x50597ee2, float())                                                                 \
    X(frameTime, 0x15c40837039ffaf7, float())                                                             \
    X(isPlayerAiming, 0x2e397fd2ecd37c87, bool(PlayerId))                                                 \
    X(isCharacterInAnyVehicle, 0x997abd671d25ca0b, bool(Entity, bool))                                    \
    X(vehicleOfCharacter, 0x6094ad011a2ea87d, Entity(Entity))                                             \
    X(isCharacterEnteringVehicle, 0xbb062b2b5722478e, bool(Entity))                                       \
    X(vehicleCharacterIsEntering, 0x814fa8be5449445d, Entity(Entity))                                     \
    /* the game's own view: its view mode is the on-foot one, its camera mode the */                      \
    /* in-vehicle one; the minimap shows the heading */                                                   \
    X(gameViewMode, 0x8d4d46230b2c353a, std::int32_t())                                                   \
    X(setGameViewMode, 0x5a4f9edf1673f704, void(std::int32_t))                                            \
    X(setGameCameraMode, 0xac253d7842768f48, void(std::int32_t))                                          \
    X(gameCameraRotation, 0x837765a25378f0bb, Rotation(std::int32_t))                                     \
    X(lockMinimapAngle, 0x299faebb108ae05b, void(std::int32_t))                                           \
    X(unlockMinimapAngle, 0x8183455e16c42e3a, void())                                                     \
    /* controls */                                                                                        \
    X(disableControlThisFrame, 0xfe99b66d079cf6bc, void(std::int32_t, std::int32_t, bool))                \
    X(isDisabledControlJustPressed, 0x91aef906bca88877, bool(std::int32_t, std::int32_t))                 \
    X(isControlJustPressed, 0x580417101ddb492f, bool(std::int32_t, std::int32_t))                         \
    X(isControlPressed, 0xf3a21bcd95725a4a, bool(std::int32_t, std::int32_t))                             \
    X(controlValue, 0xec3c9b8d5327b563, float(std::int32_t, std::int32_t))                                \
    X(lastInputWasKeyboardMouse, 0xa571d46727e2b718, bool(std::int32_t))                                  \
    /* notifications */                                                                                   \
    X(beginNotification, 0x202709f4c58a0424, void(const char*))                                           \
    X(addText, 0x6c188be134e074aa, void(const char*)) /* to a notification or a text draw */              \
    X(postNotification, 0x2ed7843f8f801023, void(bool, bool))                                             \
    /* menu: trigger, text and rectangles */                                                              \
    X(hashOfText, 0xd24d37cc275948cc, std::uint32_t(const char*))                                         \
    X(cheatTyped, 0x557e43c447e700a8, bool(std::uint32_t)) /* clears it when read */                      \
    X(setTextFont, 0x66e0276cc5f6b9da, void(std::int32_t))                                                \
    X(setTextScale, 0x7c837f9a01c34c9, void(float, float))                                                \
    X(setTextColour, 0xbe6b23ffa53fb442, void(std::int32_t, std::int32_t, std::int32_t, std::int32_t))    \
    X(setTextWrap, 0x63145d9c883a1a70, void(float, float))                                                \
    X(setTextCentred, 0xc02f4dbfb51d988b, void(bool))                                                     \
    X(setTextOutline, 0x2513dfb0fb8400fe, void())                                                         \
    X(beginTextDraw, 0x25fbb336df1804cb, void(const char*))                                               \
    X(endTextDraw, 0xcd015e5bb0d96a57, void(float, float, std::int32_t))                                  \
    X(drawRectangle, 0x3a618a217e5154f0,                                                                  \
      void(float, float, float, float, std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool))     \
    /* scripted cameras */                                                                                \
    X(createCamera, 0xb51194800b257161,                                                                   \
      CameraHandle(const char*, float, float, float, float, float, float, float, bool, std::int32_t))     \
    X(setCameraActive, 0x26fb97d0a425f84, void(CameraHandle, bool))                                       \
    X(renderScriptedCameras, 0x7e5b515db0636fc, void(bool, bool, std::int32_t, bool, bool, std::int32_t)) \
    X(setCinematicCamera, 0xdcf0754ac3d6fd4e, void(bool))                                                 \
    X(destroyCamera, 0x865908c81a2c22e9, void(CameraHandle, bool))                                        \
    X(setCameraNearClip, 0xc7848efccc545182, void(CameraHandle, float))                                   \
    X(setCameraFarClip, 0xae306f2a904bf86e, void(CameraHandle, float))                                    \
    X(setCameraFov, 0xb13c14f66a00d047, void(CameraHandle, float))                                        \
    X(setCameraPosition, 0x4d41783fb745e42e, void(CameraHandle, float, float, float))                     \
    X(setCameraRotation, 0x85973643155d0b07, void(CameraHandle, float, float, float, std::int32_t))       \
    X(scriptedCameraRotation, 0x7d304c1c955e3e12, Rotation(CameraHandle, std::int32_t))                   \
    X(stopCameraPointing, 0xf33ab75780ba57de, void(CameraHandle))                                         \
    X(showHudComponent, 0xb4df1fa60c0e664, void(std::int32_t)) /* 14: the reticle */                      \
    X(declareFirstPersonView, 0x469f2ecdec046337, void(bool))                                             \
    X(setPhoneOverlayScale, 0xcbdd322a73d6d932, void(float))                                              \
    /* entities and vehicles */                                                                           \
    X(entityPosition, 0x3fef770d40960d5a, Vector3(Entity, bool))                                          \
    X(entityRotation, 0xafbd61cc738d9eb9, Rotation(Entity, std::int32_t))                                 \
    X(entityQuaternion, 0x7b3703d2d32dfa18, void(Entity, float*, float*, float*, float*))                 \
    X(entityVelocity, 0x4805d2b1d8cf94a9, Vector3(Entity))                                                \
    X(entitySpeedVector, 0x9a8d700a51cb7b0d, Vector3(Entity, bool)) /* true: own frame */                 \
    X(entityForward, 0xa794a5a57f8df91, Vector3(Entity))                                                  \
    X(entitySpeed, 0xd5037ba82e12416f, float(Entity))                                                     \
    X(entityHeading, 0xe83d4f9ba2a38914, float(Entity))                                                   \
    X(entityPointToWorld, 0x1899f328b0e12848, Vector3(Entity, float, float, float))                       \
    X(worldPointToEntity, 0x2274bc1c4885e333, Vector3(Entity, float, float, float))                       \
    X(boneIndex, 0xfb71170b7e76acba, std::int32_t(Entity, const char*))                                   \
    X(bonePosition, 0x44a8fcb8ed227738, Vector3(Entity, std::int32_t))                                    \
    X(vehicleClass, 0x29439776aaa00a62, std::int32_t(Entity))                                             \
    X(isEntityInAir, 0x886e37ec497200b6, bool(Entity))                                                    \
    X(isEntityUpsideDown, 0x1dbd58820fa61d71, bool(Entity))                                               \
    X(vehicleAcceleration, 0x5dd35c8d074e57ae, float(Entity))             /* the model's drive figure */  \
    X(vehicleMod, 0x772960298da26fdb, std::int32_t(Entity, std::int32_t)) /* -1: stock */                 \
    X(towedEntity, 0xefea18dcf10f8f75, Entity(Entity))                                                    \
    X(hasTrailer, 0x1cdd6badc297830d, bool(Entity, Entity*))                                              \
    X(isTrailerAttached, 0xe7cf3c4f9f489f0c, bool(Entity))                                                \
    /* segment probe */                                                                                   \
    X(startSegmentProbe, 0x377906d8a31e5586,                                                              \
      std::int32_t(float, float, float, float, float, float, std::int32_t, Entity, std::int32_t))         \
    X(segmentProbeResult, 0x3d87450e15d98694,                                                             \
      std::int32_t(std::int32_t, std::int32_t*, NativeVector3*, NativeVector3*, Entity*))

namespace natives {
#define VELMORA_DECLARE_NATIVE(name, hash, ...) inline constexpr Native<__VA_ARGS__> name{hash, #name};
VELMORA_NATIVES(VELMORA_DECLARE_NATIVE)
#undef VELMORA_DECLARE_NATIVE
}  // namespace natives

}  // namespace velmora
