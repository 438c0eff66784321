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
