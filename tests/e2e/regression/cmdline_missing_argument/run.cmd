options direction=i
