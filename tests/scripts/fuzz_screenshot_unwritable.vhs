# velumor-fuzz found it (German session): a screenshot to a place no file can be written made
# the image writer give up halfway and leak what it held. The line fails, and nothing leaks.
open Velumor.VelumorDisplayAnalogClass v1
screenshot v1 /proc/version
screenshot v1 /proc/none/x.png
