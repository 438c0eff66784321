// The walker's eye: position, heading and pitch, and the pinhole projection
// between the world and the pixels of the 3D view.
#pragma once

#include "Vec.h"

namespace walkhost {

// The camera's position and axes, computed once and used for every vertex
// of a frame.
struct ViewBasis {
    Vec3 position, right, up, forward;
    // World point to camera space: x right, y up, z depth along forward.
    Vec3 ToView(const Vec3& p) const
    {
        const Vec3 d = p - position;
        return {Dot(d, right), Dot(d, up), Dot(d, forward)};
    }
};

class Camera;

// What the camera can show: the space in front of its near plane and
// within the picture's edges, widened by a margin of pixels so that a box
// it turns down lies clearly outside. Anything drawn from inside a box it
// turns down would have fallen outside every pixel of the picture.
class ViewVolume {
public:
    ViewVolume(const Camera& camera, double nearDistance, double marginPixels = 2);
    // False only when the box between the corners lies wholly outside.
    bool MayShow(const Vec3& lo, const Vec3& hi) const;

private:
    struct Plane {
        Vec3 normal;  // pointing inwards
        double offset;
    };
    Plane planes_[5];
};

class Camera {
public:
    Vec3 position{0, 1.6, 0};
    double yaw = 0;     // radians; 0 looks along -z, positive turns right
    double pitch = 0;   // radians; positive looks up
    double fovY = 1.0;  // vertical field of view, radians
    int width = 1024;
    int height = 768;

    Vec3 Forward() const;
    Vec3 Right() const;
    Vec3 Up() const;
    double Focal() const;  // pixels per unit at distance 1

    // The world-space direction through the centre of pixel (x, y), not normalised.
    Vec3 RayThrough(double x, double y) const;
    ViewBasis Basis() const;
    // World point to camera space: x right, y up, z depth along Forward().
    // For many points, take Basis() once and use its ToView.
    Vec3 ToView(const Vec3& p) const { return Basis().ToView(p); }

    void Walk(double metres);    // along the heading, level
    void Strafe(double metres);  // sideways, level
    void Turn(double radians);
    void Look(double radians);   // pitch, limited to just under straight up/down
};

}  // namespace walkhost
