"""High-precision reference values of the lensing quantities, with mpmath.

Everything here is computed from first principles (the point-lens
magnification averaged over circles and disks), independently of the closed
forms the package evaluates, so that a wrong formula cannot agree by accident.
"""

import mpmath as mp


def point_lens(u):
    """Point-source magnification at separation u (Einstein radii)."""
    u = mp.mpf(u)
    return (u * u + 2) / (u * mp.sqrt(u * u + 4))


def disk_mean(u0, rho):
    """Mean point-lens magnification over a uniform disk of radius rho whose
    centre lies u0 from the lens (Einstein radii).

    In polar coordinates about the lens the magnification depends on the
    radius alone, so the mean is a one-dimensional integral of
    A(r) r times the angle of the circle of radius r that lies on the disk.
    """
    u0, rho = mp.mpf(u0), mp.mpf(rho)

    def angle_on_disk(r):
        if r < rho - u0:
            return 2 * mp.pi
        c = (r * r + u0 * u0 - rho * rho) / (2 * r * u0)
        return 2 * mp.acos(max(-1, min(1, c)))

    def integrand(r):
        return (r * r + 2) / mp.sqrt(r * r + 4) * angle_on_disk(r)

    inner = abs(u0 - rho)
    pieces = [0, inner, u0 + rho] if u0 < rho else [inner, u0 + rho]
    return mp.quad(integrand, pieces) / (mp.pi * rho * rho)


def circle_mean(l, r, eps):
    """Mean point-lens magnification along a circle of radius r whose centre
    lies l from the lens; lengths in stellar radii, eps = re/rstar."""
    l, r, eps = mp.mpf(l), mp.mpf(r), mp.mpf(eps)

    def integrand(theta):
        d = mp.sqrt(l * l + r * r - 2 * l * r * mp.cos(theta))
        return point_lens(d / eps)

    return mp.quad(integrand, [0, mp.pi]) / mp.pi


def circle_mean_closed_form(l, r, eps):
    """The same circle mean in complete elliptic integrals, evaluated at high
    precision; checked against circle_mean in the tests."""
    l, r, eps = mp.mpf(l), mp.mpf(r), mp.mpf(eps)
    delta = r - l
    if delta == 0:
        # A node on the singularity itself, which only the ends of a piece
        # that stops at r = l can produce; its weight there is negligible.
        return mp.mpf(0)
    if abs(delta) < l * mp.mpf(10) ** (-(mp.mp.dps // 3)):
        # Quadrature nodes can sit arbitrarily close to the logarithmic
        # singularity at r = l, where 1 - n and 1 - m = O(delta^2) are lost:
        # use its leading terms there, whose error O(delta log delta)
        # integrates to O(delta^2 log delta) over the window.
        log_term = mp.log(8 * eps * l / (abs(delta) * mp.sqrt(l * l + eps * eps)))
        return (4 * mp.atan(l / eps) + 2 * eps / l * log_term) / (2 * mp.pi)
    s = l + r
    q = delta**2 + 4 * eps * eps
    n = 4 * l * r / (s * s)
    m = 16 * eps * eps * l * r / (s * s * q)
    h = 4 / (s * mp.sqrt(q)) * (delta**2 * mp.ellippi(n, m) + 2 * eps * eps * mp.ellipk(m))
    return h / (2 * mp.pi)


def linear_limb_darkening(coefficient):
    """The brightness law 1 - c (1 - sqrt(1 - x^2)) of the normalised radius x."""
    c = mp.mpf(coefficient)
    return lambda x: 1 - c * (1 - mp.sqrt(1 - x * x))


def limb_darkened_mean(l, rho, profile, kinks=()):
    """Brightness-weighted mean magnification of a star with the radial profile
    `profile` (of the normalised radius), its centre l stellar radii from the
    lens, rho = rstar/re: the ring sum of circle means over the flux. `kinks`
    are radii in (0, 1) where the profile is not smooth (a table's radii)."""
    l = mp.mpf(l)
    eps = 1 / mp.mpf(rho)
    inner = [mp.mpf(k) for k in kinks if 0 < k < 1]
    flux = mp.quad(lambda x: 2 * mp.pi * x * profile(x), [0, *sorted(inner), 1])
    breaks = [0, *sorted(set(inner + ([l] if 0 < l < 1 else []))), 1]
    weighted = mp.quad(lambda x: 2 * mp.pi * x * profile(x) * circle_mean_closed_form(l, x, eps), breaks)
    return weighted / flux


def piecewise_linear(radii, brightness):
    """The profile of a table interpolated linearly, zero outside it, with the
    table's doubles taken as exact."""
    radii = [mp.mpf(r) for r in radii]
    brightness = [mp.mpf(b) for b in brightness]

    def profile(x):
        if x < radii[0] or x > radii[-1]:
            return mp.mpf(0)
        for i in range(len(radii) - 1):
            if x <= radii[i + 1]:
                return brightness[i] + (brightness[i + 1] - brightness[i]) * (x - radii[i]) / (radii[i + 1] - radii[i])
        return brightness[-1]

    return profile


def linear_law_disk_mean(l, rho, u):
    """Mean magnification of a star with the linear law 1 - u (1 - mu); see
    polynomial_law_disk_mean."""
    u = mp.mpf(u)
    return polynomial_law_disk_mean(l, rho, 1 - u, u, 0)


def polynomial_law_disk_mean(l, rho, c0, c1, c2):
    """Mean magnification of a star with the brightness c0 + c1 mu + c2 mu^2,
    mu = sqrt(1 - x^2) (the linear and quadratic laws), its centre l stellar
    radii from the lens, rho = rstar/re, computed in polar coordinates about
    the lens instead of ring by ring about the star's centre, so that it
    shares nothing with the circle means: the point-lens magnification at
    distance s from the lens times the brightness summed along the arc of
    radius s that lies on the disk. Along that arc mu^2 = c + k cos(phi) with
    c = 1 - s^2 - l^2 and k = 2 s l, so mu^2 integrates in closed form and mu,
    its square root, to an elliptic integral of the second kind, complete
    where the whole circle lies on the disk."""
    L, rho = mp.mpf(l), mp.mpf(rho)
    c0, c1, c2 = mp.mpf(c0), mp.mpf(c1), mp.mpf(c2)

    def arcs(s):
        # Per unit radius: the length of the arc on the disk, and the
        # integrals of mu and of mu^2 along it.
        c, k = 1 - s * s - L * L, 2 * s * L
        if k == 0:
            return (2 * mp.pi, 2 * mp.pi * mp.sqrt(c), 2 * mp.pi * c) if c > 0 else (0, 0, 0)
        if c <= -k:
            return 0, 0, 0
        m = 2 * k / (c + k)
        if c >= k:
            return 2 * mp.pi, 4 * mp.sqrt(c + k) * mp.ellipe(m), 2 * mp.pi * c
        half = mp.acos(-c / k)
        return 2 * half, 4 * mp.sqrt(c + k) * mp.re(mp.ellipe(half / 2, m)), 2 * (c * half + k * mp.sin(half))

    def integrand(s):
        angle, mu, mu_squared = arcs(s)
        return point_lens(s * rho) * s * (c0 * angle + c1 * mu + c2 * mu_squared)

    inner = abs(1 - L)
    pieces = [0, inner, L + 1] if L < 1 else [inner, L + 1]
    return mp.quad(integrand, pieces) / (mp.pi * (c0 + 2 * c1 / 3 + c2 / 2))
