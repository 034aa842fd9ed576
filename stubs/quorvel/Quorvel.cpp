// Print library stand-in. Its export is added with printing.
