#!/usr/bin/env python3
"""Writes raster_ball.nc: a 3D finishing raster with the R3 ball end mill (tool 3 of atc.ttl)
over a 100 x 100 x 30 box workpiece at the origin (top at Z30).

The surface is a smooth dome with a ripple, 20.5 to 28.5 mm high, below the 30 mm top so that
every pass cuts. The tool tip follows the surface heights directly rather than the exact ball
offset, which is close enough for an example. Passes run along X at a 1 mm step in Y,
alternating direction; points every 0.5 mm.

    python3 examples/make_raster.py > examples/raster_ball.nc
"""
import math
import sys

STEP_X = 0.5   # mm between points of a pass
STEP_Y = 1.0   # mm between passes
SIZE = 100.0   # workpiece edge
FEED = 2400    # mm/min


def surface(x, y):
    dx, dy = (x - 50.0) / 50.0, (y - 50.0) / 50.0
    dome = 27.0 - 5.0 * (dx * dx + dy * dy) / 2.0
    ripple = 1.5 * math.sin(x * 0.12) * math.cos(y * 0.09)
    return dome + ripple


def main(out):
    w = out.write
    w("%\n")
    w("O1003 (3D BALL END FINISHING RASTER, BALL R3, STEP 1.0)\n")
    w("(WORKPIECE 100 X 100 X 30 AT THE ORIGIN, TOP AT Z30.)\n")
    w("G90 G54 G17 G40 G49 G80\n")
    w("T3 M06\n")
    w("S12000 M03\n")
    w("G00 X0. Y0. Z35.\n")
    passes = int(round(SIZE / STEP_Y)) + 1
    points = int(round(SIZE / STEP_X)) + 1
    for j in range(passes):
        y = j * STEP_Y
        xs = [i * STEP_X for i in range(points)]
        if j % 2:
            xs.reverse()
        if j == 0:
            w("G01 Z%.3f F%d\n" % (surface(xs[0], y), FEED // 4))
            w("F%d\n" % FEED)
        else:
            w("G01 Y%.3f Z%.3f\n" % (y, surface(xs[0], y)))
        for x in xs[1:]:
            w("X%.3f Z%.3f\n" % (x, surface(x, y)))
    w("G00 Z35.\n")
    w("M05\n")
    w("G91 G28 Z0.\n")
    w("M30\n")
    w("%\n")


if __name__ == "__main__":
    main(sys.stdout)
