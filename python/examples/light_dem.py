import sys

import matplotlib.pyplot as plt

import gloamery

ws = gloamery.open(sys.argv[1])  # the DEM's size, heights, units and place
ws.make_texture2()               # grass and stone mixed by slope
ws.sun_angle = (315, 30)         # low in the north-west
ws.sky = 0.2
ws.sun_run()

out = sys.argv[2] if len(sys.argv) > 2 else None
if out and out.endswith(".tif"):
    ws.save("colour", out)  # a GeoTIFF lying where the DEM lies
else:
    plt.imshow(ws.colour)
    plt.axis("off")
    plt.savefig(out) if out else plt.show()
