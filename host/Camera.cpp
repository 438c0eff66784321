#include "Camera.h"

#include <algorithm>
#include <cmath>

namespace walkhost {

Vec3 Camera::Forward() const
{
    return {std::sin(yaw) * std::cos(pitch), std::sin(pitch), -std::cos(yaw) * std::cos(pitch)};
}

Vec3 Camera::Right() const { return {std::cos(yaw), 0, std::sin(yaw)}; }

Vec3 Camera::Up() const { return Cross(Right(), Forward()); }

double Camera::Focal() const { return (height / 2.0) / std::tan(fovY / 2); }

Vec3 Camera::RayThrough(double x, double y) const
{
    const double f = Focal();
    return Forward() + Right() * ((x + 0.5 - width / 2.0) / f) + Up() * (-(y + 0.5 - height / 2.0) / f);
}

ViewBasis Camera::Basis() const { return ViewBasis{position, Right(), Up(), Forward()}; }

ViewVolume::ViewVolume(const Camera& camera, double nearDistance, double marginPixels)
{
    // A point is on the picture when its camera-space x over its depth, times
    // the focal length, lies within half the width of the centre (y the same).
    // Each edge is a plane through the eye.
    const ViewBasis b = camera.Basis();
    const double f = camera.Focal();
    const double halfW = camera.width / 2.0 + marginPixels, halfH = camera.height / 2.0 + marginPixels;
    const Vec3 normals[5] = {b.forward, b.right * f + b.forward * halfW, b.right * -f + b.forward * halfW,
                             b.up * -f + b.forward * halfH, b.up * f + b.forward * halfH};
    for (int i = 0; i < 5; ++i)
        planes_[i] = Plane{normals[i], -Dot(normals[i], b.position)};
    planes_[0].offset -= nearDistance * 0.999;  // a hair nearer, against rounding
}

bool ViewVolume::MayShow(const Vec3& lo, const Vec3& hi) const
{
    for (const Plane& p : planes_) {
        // The box's corner farthest along the plane's normal.
        const Vec3 c(p.normal.x >= 0 ? hi.x : lo.x, p.normal.y >= 0 ? hi.y : lo.y, p.normal.z >= 0 ? hi.z : lo.z);
        if (Dot(p.normal, c) + p.offset < 0)
            return false;
    }
    return true;
}

void Camera::Walk(double metres)
{
    position += Vec3(std::sin(yaw), 0, -std::cos(yaw)) * metres;
}

void Camera::Strafe(double metres) { position += Right() * metres; }

void Camera::Turn(double radians)
{
    yaw = std::remainder(yaw + radians, 2 * 3.14159265358979323846);
}

void Camera::Look(double radians) { pitch = std::clamp(pitch + radians, -1.5, 1.5); }

}  // namespace walkhost
